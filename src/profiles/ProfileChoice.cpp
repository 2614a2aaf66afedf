#include "profiles/ProfileChoice.h"

std::optional<QString> ChosenProfileText(int32_t index, const QString &entry_text) {
    if (index < 0 || entry_text == QLatin1String(kAddMyProfileText))
        return std::nullopt;
    return entry_text;
}

ProfileChoice::ProfileChoice(QString catalogue_path) : catalogue_(std::move(catalogue_path)) {}

void ProfileChoice::Fill(int32_t device_type) {
    list_ = catalogue_.ReadProfileList(ProfileCatalogue::SectionForDevice(device_type));
}

QStringList ProfileChoice::Entries() const {
    QStringList entries = list_.Texts();
    entries.append(QString::fromLatin1(kAddMyProfileText));
    return entries;
}

int32_t ProfileChoice::EntryCount() const {
    return static_cast<int32_t>(list_.Profiles.size()) + 1;
}

bool ProfileChoice::IsAddEntry(int32_t index) const {
    return index == EntryCount() - 1;
}

std::optional<int32_t> ProfileChoice::DefaultSelection() const {
    if (list_.DefaultIndex < 0 || list_.DefaultIndex >= EntryCount())
        return std::nullopt;
    return list_.DefaultIndex;
}

std::optional<int32_t> ProfileChoice::SelectionAfterAdd() const {
    if (EntryCount() < 2)
        return std::nullopt;
    return EntryCount() - 2;
}

ProfileChoice::EditTarget ProfileChoice::EditTargetAt(int32_t index) const {
    if (index < 0 || index >= EntryCount())
        return {};
    if (IsAddEntry(index))
        return {EditAction::NewProfile, -1};
    return {EditAction::Change, list_.Profiles[index].Slot};
}
