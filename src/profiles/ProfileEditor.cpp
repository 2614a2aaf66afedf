#include "profiles/ProfileEditor.h"

#include "common/NumberText.h"
#include "profiles/DeviceTable.h"

#include <algorithm>

namespace {

const QString kNoData = QString::fromLatin1(kNoDataMarker);

EditorList ListFrom(const ChoiceList &choices) {
    EditorList list;
    list.Items = choices.Items;
    if (choices.PresetIndex >= 0 && choices.PresetIndex < list.Items.size())
        list.Selected = choices.PresetIndex;
    return list;
}

} // namespace

ProfileEditor::ProfileEditor(QString catalogue_path) : catalogue_(std::move(catalogue_path)) {}

void ProfileEditor::OpenForNew(int32_t device_type) {
    if (DeviceRowFor(device_type))
        SectionName = ProfileCatalogue::SectionForDevice(device_type);
    Resolution = ListFrom(catalogue_.ReadChoiceList(SectionName, QStringLiteral("Resolution")));
    FrameRate = ListFrom(catalogue_.ReadChoiceList(SectionName, QStringLiteral("VideoFrameRate")));
    AudioBitRate = ListFrom(catalogue_.ReadChoiceList(SectionName, QStringLiteral("AudioQuality")));
    AudioFrequency =
        ListFrom(catalogue_.ReadChoiceList(SectionName, QStringLiteral("AudioFrameRate")));
    const NewProfileDefaults defaults = catalogue_.ReadNewProfileDefaults(SectionName);
    Name = defaults.Name;
    VideoBitRate = ClampedBitRate(defaults.VideoBitRate, MostBitRate());
    ProfileSlot = defaults.NextSlot;
    NameReadOnly = false;
    ChannelIndex = 1;
    Saved = false;
}

void ProfileEditor::OpenForEdit(int32_t slot) {
    ProfileSlot = slot;
    NameReadOnly = true;
    const QString text = catalogue_.ReadProfile(SectionName, slot);
    if (text == kNoData)
        return;
    const ProfileFields f = ProfileCatalogue::ParseProfileText(text);
    Name = f.Name;
    SelectItemByText(Resolution, f.Resolution);
    VideoBitRate = ClampedBitRate(f.VideoBitRate.toLower(), MostBitRate());
    SelectItemByText(FrameRate, f.FrameRate.toLower());
    SelectItemByText(AudioBitRate, f.AudioBitRate);
    SelectItemByText(AudioFrequency, f.AudioFrequency.toLower());
    const int32_t channel = IntegerValue(f.Channels) - 1;
    ChannelIndex = channel == 0 || channel == 1 ? channel : -1;
}

QString ProfileEditor::SaveProfile(const ProfileTextParts &shown) {
    const QString text = ProfileCatalogue::ComposeProfileText(shown);
    if (const std::optional<DeviceRow> device = DeviceRowNamed(SectionName)) {
        QString codec = catalogue_.ReadProfileExtras(SectionName, text).VideoCodec;
        if (codec.isEmpty())
            codec = device->VideoCodec;
        const QString why =
            ProfileOutOfBounds(ProfileCatalogue::ParseProfileText(text), codec, device->Limits);
        if (!why.isEmpty())
            return QStringLiteral("%1 cannot play this profile: %2.").arg(device->Caption, why);
    }
    catalogue_.StoreProfile(SectionName, ProfileSlot, text);
    Saved = true;
    return {};
}

int32_t ProfileEditor::MostBitRate() const {
    const std::optional<DeviceRow> device = DeviceRowNamed(SectionName);
    return device && device->Fitted() ? device->Limits.MaxVideoKbps : kMaxVideoBitRate;
}

QString ProfileEditor::ClampedBitRate(const QString &text, int32_t most) {
    const int32_t v = std::max(std::min(IntegerValue(text), most), kMinVideoBitRate);
    return QString::number(v);
}

void ProfileEditor::SelectItemByText(EditorList &list, const QString &text) {
    const qsizetype at = list.Items.indexOf(text);
    if (at >= 0)
        list.Selected = static_cast<int32_t>(at);
}
