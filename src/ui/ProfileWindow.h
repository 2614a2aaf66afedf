#pragma once
// The profile editor: creates and edits the output profiles of one device.

#include "profiles/ProfileEditor.h"
#include "skin/SkinnedForm.h"

#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TDynamicImageButton;
class TImage;

class TProfileWindow : public TSkinnedForm {
    Q_OBJECT
public:
    // The catalogue is path_Config + "Output.dll".
    TProfileWindow();

    // Prepare the window before it is shown modally: OpenForNew for a new profile of the device;
    // OpenForNew and then OpenForEdit to change the profile stored in the slot.
    void OpenForNew(int32_t device_type);
    void OpenForEdit(int32_t slot);
    // True when the last showing ended with a stored profile.
    bool Saved() const { return editor_.Saved; }
    int32_t ProfileSlot() const { return editor_.ProfileSlot; }
    const QString &SectionName() const { return editor_.SectionName; }

    // OK: stores the profile and closes. A failed write goes to the error report and the window
    // stays open.
    void TB_OkClick();
    // Cancel and Close: closes; nothing is stored.
    void TB_CancelClick();
    // Stores what the controls show; the answer says why a profile was refused (empty when
    // stored). Throws IniWriteError when the catalogue cannot be written.
    QString SaveProfile();

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label9 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label16 = nullptr;
    QComboBox *ComboBox_VideoResolution = nullptr;
    QComboBox *ComboBox_VideoFramerate = nullptr;
    QComboBox *ComboBox_AudioChannel = nullptr;
    QComboBox *ComboBox_AudioBitRate = nullptr;
    QComboBox *ComboBox_AudioFrameRate = nullptr;
    QLineEdit *Edit_Name = nullptr;
    QLineEdit *Edit_VideoBitRate = nullptr;
    QSpinBox *UpDown = nullptr;

    // Skinned controls.
    TImage *Img_Background = nullptr;
    TDynamicImageButton *TB_Ok = nullptr;
    TDynamicImageButton *TB_Cancel = nullptr;
    TDynamicImageButton *TB_Close = nullptr;

private:
    void CreateSkinnedControls();
    // Shows what the editor prepared.
    void ShowEditor();
    void Edit_VideoBitRateChange(const QString &text);
    void UpDownClick(int position);
    // Sets the name without cutting a longer stored name to the typing limit.
    void SetNameText(const QString &name);

    ProfileEditor editor_;
};

extern TProfileWindow *ProfileWindow;
