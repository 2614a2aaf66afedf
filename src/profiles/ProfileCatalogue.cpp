#include "profiles/ProfileCatalogue.h"

#include "common/Globals.h"
#include "common/NumberText.h"
#include "profiles/IniFile.h"

#include <QStringView>
#include <algorithm>
#include <limits>
#include <stdexcept>

namespace {

const QString kNoData = QString::fromLatin1(kNoDataMarker);

// Counts below 0 look at no slot; counts above the cap look at the capped number.
int32_t CappedCount(int32_t count) {
    return std::clamp(count, 0, kMaxCatalogueSlots);
}

QString SlotKey(const QString &name, int32_t slot) {
    return name + QString::number(slot);
}

// Text positions count from 1 in the profile text's rules; these helpers keep that arithmetic
// as it is written and put the bounds in one place.

// Position of the first occurrence of t in s, 0 when there is none.
qsizetype Find(QStringView s, QStringView t) {
    return s.indexOf(t) + 1;
}

// Position of the first "x" or "X", 0 when there is none.
qsizetype FindSizeSeparator(QStringView s) {
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i] == QLatin1Char('x') || s[i] == QLatin1Char('X'))
            return i + 1;
    return 0;
}

// count characters from position start. A start below 1 counts as 1; a start beyond the end or
// a count of 0 or less gives the empty text; a count past the end stops at the end.
QStringView Copy(QStringView s, qsizetype start, qsizetype count) {
    if (start < 1)
        start = 1;
    if (start > s.size() || count <= 0)
        return {};
    return s.mid(start - 1, std::min(count, s.size() - start + 1));
}

} // namespace

QStringList ProfileList::Texts() const {
    QStringList texts;
    texts.reserve(Profiles.size());
    for (const ProfileEntry &entry : Profiles)
        texts.append(entry.Text);
    return texts;
}

ProfileCatalogue::ProfileCatalogue() : path_(path_Config + QStringLiteral("Output.dll")) {}

ProfileCatalogue::ProfileCatalogue(QString path) : path_(std::move(path)) {}

QString ProfileCatalogue::SectionForDevice(int32_t device_type) {
    switch (device_type) {
    case 0:
        return QStringLiteral("3gp");
    case 1:
        return QStringLiteral("psp");
    case 2:
        return QStringLiteral("ipod");
    case 3:
        return QStringLiteral("pda");
    case 4:
        return QStringLiteral("mp4");
    case 5:
        return QStringLiteral("phone");
    case 6:
        return QStringLiteral("tv");
    case 7:
        return QStringLiteral("share");
    default:
        return QString();
    }
}

ProfileList ProfileCatalogue::ReadProfileList(const QString &section) const {
    const IniFile ini(path_);
    ProfileList list;
    const int32_t count = CappedCount(ini.ReadInteger(section, QStringLiteral("ProfileCount"), 0));
    for (int32_t slot = 0; slot < count; ++slot) {
        const QString text =
            ini.ReadString(section, SlotKey(QStringLiteral("Profile"), slot), kNoData);
        if (text != kNoData)
            list.Profiles.append(ProfileEntry{text, slot});
    }
    list.DefaultIndex = ini.ReadInteger(section, QStringLiteral("DefaultIndex"), 0);
    return list;
}

ChoiceList ProfileCatalogue::ReadChoiceList(const QString &section, const QString &key_name) const {
    const IniFile ini(path_);
    ChoiceList list;
    const int32_t count =
        CappedCount(ini.ReadInteger(section, key_name + QStringLiteral("Count"), 0));
    for (int32_t slot = 0; slot < count; ++slot) {
        const QString item = ini.ReadString(section, SlotKey(key_name, slot), kNoData);
        if (item != kNoData)
            list.Items.append(item);
    }
    list.PresetIndex = ini.ReadInteger(section, key_name + QStringLiteral("Index"), 0);
    return list;
}

QString ProfileCatalogue::ReadProfile(const QString &section, int32_t slot) const {
    if (slot < 0)
        return kNoData;
    const IniFile ini(path_);
    return ini.ReadString(section, SlotKey(QStringLiteral("Profile"), slot), kNoData);
}

NewProfileDefaults ProfileCatalogue::ReadNewProfileDefaults(const QString &section) const {
    const IniFile ini(path_);
    NewProfileDefaults defaults;
    defaults.Name = ini.ReadString(section, QStringLiteral("DefaultName"), defaults.Name);
    defaults.VideoBitRate =
        ini.ReadString(section, QStringLiteral("DefaultBitRate"), defaults.VideoBitRate);
    defaults.NextSlot = CappedCount(ini.ReadInteger(section, QStringLiteral("ProfileCount"), 0));
    return defaults;
}

ProfileExtras ProfileCatalogue::ReadProfileExtras(const QString &section,
                                                  const QString &text) const {
    const IniFile ini(path_);
    ProfileExtras extras;
    extras.VideoCodec = ini.ReadString(section, QStringLiteral("DefaultCodec"), {});
    QString megabytes = ini.ReadString(section, QStringLiteral("DefaultSizeLimit"), {});
    for (const ProfileEntry &entry : ReadProfileList(section).Profiles) {
        if (entry.Text != text)
            continue;
        extras.VideoCodec = ini.ReadString(section, SlotKey(QStringLiteral("Codec"), entry.Slot),
                                           extras.VideoCodec);
        megabytes =
            ini.ReadString(section, SlotKey(QStringLiteral("SizeLimit"), entry.Slot), megabytes);
        break;
    }
    extras.VideoCodec = extras.VideoCodec.trimmed().toLower();
    const double mb = DecimalValue(megabytes);
    if (mb > 0 && mb < 1e6)
        extras.SizeLimitBytes = static_cast<int64_t>(mb * 1e6);
    return extras;
}

void ProfileCatalogue::StoreProfile(const QString &section, int32_t slot,
                                    const QString &text) const {
    if (slot < 0 || slot >= kMaxCatalogueSlots)
        throw std::out_of_range("profile slot out of range: " + std::to_string(slot));
    IniFile ini(path_);
    const int32_t count = ini.ReadInteger(section, QStringLiteral("ProfileCount"), 0);
    ini.WriteString(section, SlotKey(QStringLiteral("Profile"), slot), text);
    if (slot == count)
        ini.WriteInteger(section, QStringLiteral("ProfileCount"), count + 1);
}

QString ProfileCatalogue::ChannelsText(int32_t channels) {
    return QString::fromLatin1(channels == 1 ? kMonoChannelsText : kStereoChannelsText);
}

QString ProfileCatalogue::ComposeProfileText(const ProfileTextParts &parts) {
    return TrimBlanks(parts.Name) + QStringLiteral(" : Video: ") + parts.Resolution +
           QStringLiteral(", ") + parts.VideoBitRate + QStringLiteral(" kbps, ") + parts.FrameRate +
           QStringLiteral(" fps, Audio: ") + parts.AudioBitRate + QStringLiteral(" kbps, ") +
           parts.AudioFrequency + QStringLiteral(" khps, ") + parts.ChannelsText;
}

ProfileFields ProfileCatalogue::ParseProfileText(const QString &text) {
    const QStringView t(text);
    ProfileFields f;

    f.Name = TrimBlanks(Copy(t, 1, Find(t, u" : Video")));

    const qsizetype video_at = Find(t, u"Video: ");
    const QStringView v = Copy(t, video_at, Find(t, u"Audio:") - video_at);
    const qsizetype comma = Find(v, u",");
    const qsizetype video_kbps = Find(v, u"kbps,");
    f.Resolution = TrimBlanks(Copy(v, 8, comma - 8));
    f.VideoBitRate = TrimBlanks(Copy(v, comma + 1, video_kbps - comma - 1));
    f.FrameRate = TrimBlanks(Copy(v, video_kbps + 5, Find(v, u"fps") - video_kbps - 5));

    const QStringView a = Copy(t, Find(t, u"Audio: "), 100);
    const qsizetype audio_kbps = Find(a, u"kbps,");
    f.AudioBitRate = TrimBlanks(Copy(a, 7, audio_kbps - 7));
    f.AudioFrequency = TrimBlanks(Copy(a, audio_kbps + 5, Find(a, u"khps") - audio_kbps - 5));
    f.Channels = TrimBlanks(Copy(a, Find(a, u"khps, ") + 5, 2));

    const QStringView r(f.Resolution);
    const qsizetype x = FindSizeSeparator(r);
    f.Width = IntegerValue(TrimBlanks(Copy(r, 1, x)));
    f.Height = IntegerValue(TrimBlanks(Copy(r, x + 1, 4)));
    return f;
}

ProfileTextParts ProfileCatalogue::PartsOf(const ProfileFields &fields) {
    QString channels = fields.Channels;
    if (channels == QLatin1String("1"))
        channels = QString::fromLatin1(kMonoChannelsText);
    else if (channels == QLatin1String("2"))
        channels = QString::fromLatin1(kStereoChannelsText);
    return ProfileTextParts{fields.Name,      fields.Resolution,   fields.VideoBitRate,
                            fields.FrameRate, fields.AudioBitRate, fields.AudioFrequency,
                            channels};
}
