#pragma once
// The main window's output profile list at work: fills the drop-down list with a device's
// profiles, answers the user's choice of "Add my profile..." and the edit button by opening the
// profile editor (ProfileWindow) modally, and refills the list after the editor stored a profile.
// The list reacts only to the user's choice, never to being filled.

#include "profiles/ProfileChoice.h"

#include <QObject>
#include <cstdint>

class QComboBox;

class ProfileChooser : public QObject {
    Q_OBJECT
public:
    ProfileChooser(QComboBox *combo, QString catalogue_path, QObject *parent = nullptr);

    // Empties the list and fills it with the device's profiles and "Add my profile..."; the
    // "DefaultIndex" entry is selected.
    void FillProfileCombo(int32_t device_type);
    // The user chose an entry. "Add my profile..." opens the editor for a new profile; afterwards
    // the last profile is selected (the new one after a save).
    void ComboBox_OutputSettingChange(int index);
    // The edit button: the selected profile in the editor, or a new profile on
    // "Add my profile..."; nothing when no entry is selected.
    void TB_EditClick();

private:
    // Shows the prepared editor modally and refills the list when it stored a profile.
    void ShowEditor();

    QComboBox *combo_;
    ProfileChoice choice_;
    int32_t device_type_ = 0;
};
