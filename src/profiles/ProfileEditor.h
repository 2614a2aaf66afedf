#pragma once
// What the profile editor shows when it opens and what its OK stores, without the widgets. The
// window copies these fields into its controls after OpenForNew and OpenForEdit, and hands the
// texts its controls show to SaveProfile.

#include "profiles/ProfileCatalogue.h"

#include <QStringList>
#include <cstdint>

inline constexpr int32_t kMinVideoBitRate = 1;
inline constexpr int32_t kMaxVideoBitRate = 2500;

// A drop-down list of the editor: its items and the selected one (-1 for none).
struct EditorList {
    QStringList Items;
    int32_t Selected = -1;
};

class ProfileEditor {
public:
    explicit ProfileEditor(QString catalogue_path);

    // Prepares a new profile of the device: the section's choice lists with their presets, the
    // proposed name and bit rate, stereo, the next free slot, an editable name. A type the device
    // table does not have keeps the section used last.
    void OpenForNew(int32_t device_type);
    // After OpenForNew: the name becomes read-only and the stored profile of the slot, when there
    // is one, is shown. OK then writes that slot.
    void OpenForEdit(int32_t slot);

    // Composes the profile from the texts the controls show and stores it in ProfileSlot of
    // SectionName; Saved becomes true. A profile the section's device cannot play is not stored:
    // the answer says why ("PSP cannot play this profile: ..."); it is empty when stored. A
    // failed write throws IniWriteError ("Unable to write to <path>") and leaves Saved false.
    QString SaveProfile(const ProfileTextParts &shown);

    // The bit rate edit's rule: the whole number at the start of the text, held to 1 to the
    // device's most (2500 for the classic players), in decimal. "" and "abc" give "1", "3000"
    // gives "2500".
    static QString ClampedBitRate(const QString &text, int32_t most = kMaxVideoBitRate);
    // The most the bit rate edit takes for the section's device.
    int32_t MostBitRate() const;
    // Selects the first item equal to text, letter case included; none equal: no change.
    static void SelectItemByText(EditorList &list, const QString &text);

    QString SectionName;
    int32_t ProfileSlot = 0;
    bool Saved = false;

    EditorList Resolution;
    EditorList FrameRate;
    EditorList AudioBitRate;
    EditorList AudioFrequency;
    QString Name;
    bool NameReadOnly = false;
    QString VideoBitRate;     // always a whole number from 1 to 2500
    int32_t ChannelIndex = 1; // 0 mono, 1 stereo, -1 none

private:
    ProfileCatalogue catalogue_;
};
