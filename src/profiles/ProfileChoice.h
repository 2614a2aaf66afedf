#pragma once
// The main window's list of output profiles, without the widget: the profiles of one device in
// slot order, then the entry "Add my profile...". It remembers the slot each entry was read
// from, so a catalogue with gaps between its slots still edits the profile the user chose.

#include "profiles/ProfileCatalogue.h"

#include <QStringList>
#include <cstdint>
#include <optional>

inline constexpr const char *kAddMyProfileText = "Add my profile...";

// The profile text of the list entry at index, given its text; nothing for no entry (a negative
// index) or "Add my profile...".
std::optional<QString> ChosenProfileText(int32_t index, const QString &entry_text);

class ProfileChoice {
public:
    // What the edit button does on a list entry.
    enum class EditAction {
        Nothing,    // no entry selected
        NewProfile, // "Add my profile...": a new profile in the next free slot
        Change,     // the stored profile of EditTarget::Slot
    };
    struct EditTarget {
        EditAction Action = EditAction::Nothing;
        int32_t Slot = -1;
    };

    explicit ProfileChoice(QString catalogue_path);

    // Reads the device's profiles from the catalogue (the empty section for a type outside 0
    // to 4).
    void Fill(int32_t device_type);

    // The list's entries: the profile texts, then "Add my profile...".
    QStringList Entries() const;
    int32_t EntryCount() const;
    bool IsAddEntry(int32_t index) const;
    // The entry "DefaultIndex" selects (counted with the last entry); nothing when it is
    // negative or not smaller than the number of entries.
    std::optional<int32_t> DefaultSelection() const;
    // The entry selected after "Add my profile...": the second-to-last, the last profile
    // (the new one after a save). Nothing when there is no profile.
    std::optional<int32_t> SelectionAfterAdd() const;
    EditTarget EditTargetAt(int32_t index) const;

private:
    ProfileCatalogue catalogue_;
    ProfileList list_;
};
