#pragma once
// The progress window, from which a run is started, watched and stopped.

#include "ui/SkinnedForm.h"

class QLabel;
class QLineEdit;
class TDynamicImageButton;
class TImage;

class TProgressWindow : public TSkinnedForm {
    Q_OBJECT
public:
    TProgressWindow();

    QLineEdit *Edit_WorkingFolder = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label_SrcName = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label_DesName = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label_StartTime = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label_StopTime = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label_Length = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label_CurrentTime = nullptr;
    QWidget *Panel_Progress = nullptr;
    QLabel *Label_CP = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label_TP = nullptr;
    QLabel *Label9 = nullptr;

    // Skinned controls.
    TImage *Img_Background = nullptr;
    TImage *Img_Progress = nullptr;
    TImage *Img_CP = nullptr;
    TImage *Img_TP = nullptr;
    TDynamicImageButton *TB_Start = nullptr;
    TDynamicImageButton *TB_Stop = nullptr;
    TDynamicImageButton *TB_Close = nullptr;
    TDynamicImageButton *TB_Browse = nullptr;

private:
    void CreateSkinnedControls();
};

extern TProgressWindow *ProgressWindow;
