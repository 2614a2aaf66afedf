#pragma once
// The profile editor: creates and edits the output profiles of one device.

#include "ui/SkinnedForm.h"

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
    TProfileWindow();

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
};

extern TProfileWindow *ProfileWindow;
