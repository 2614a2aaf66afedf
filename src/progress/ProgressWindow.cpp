#include "progress/ProgressWindow.h"

#include "controls/ImageButton.h"
#include "controls/TImage.h"

#include <QLabel>
#include <QLineEdit>

TProgressWindow *ProgressWindow = nullptr;

namespace {
QLabel *FixedLabel(QWidget *parent, const QString &name, const QString &text, int left, int top,
                   int width, int height, const QFont &font,
                   Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    QLabel *label = MakeLabel(parent, name, text, left, top, font);
    label->setFixedSize(width, height);
    label->setAlignment(align);
    return label;
}
} // namespace

TProgressWindow::TProgressWindow() {
    setObjectName("ProgressWindow");
    setAttribute(Qt::WA_NoSystemBackground, false);
    resize(546, 346);
    const QFont tahoma = FormFont("Tahoma", -11);
    setFont(tahoma);

    Edit_WorkingFolder = new QLineEdit(this);
    Edit_WorkingFolder->setObjectName("Edit_WorkingFolder");
    Edit_WorkingFolder->setFrame(false);
    Edit_WorkingFolder->setReadOnly(true);
    Edit_WorkingFolder->setGeometry(112, 34, 297, 19);

    Label1 = MakeLabel(this, "Label1", "Current Clip :", 32, 88, tahoma);
    Label_SrcName = FixedLabel(this, "Label_SrcName", "", 128, 88, 345, 13, tahoma);
    Label2 = MakeLabel(this, "Label2", "Destination Name :", 32, 120, tahoma);
    Label_DesName = FixedLabel(this, "Label_DesName", "", 128, 120, 345, 13, tahoma);
    Label5 = MakeLabel(this, "Label5", "Start Time :", 32, 160, tahoma);
    Label_StartTime = FixedLabel(this, "Label_StartTime", "00:00:00", 120, 160, 50, 13, tahoma);
    Label6 = MakeLabel(this, "Label6", "Stop Time :", 216, 160, tahoma);
    Label_StopTime = FixedLabel(this, "Label_StopTime", "00:00:00", 304, 160, 50, 13, tahoma);
    Label3 = MakeLabel(this, "Label3", "Total Length :", 32, 184, tahoma);
    Label_Length = FixedLabel(this, "Label_Length", "00:00:00", 120, 184, 50, 13, tahoma);
    Label4 = MakeLabel(this, "Label4", "Current Time :", 216, 184, tahoma);
    Label_CurrentTime = FixedLabel(this, "Label_CurrentTime", "00:00:00", 304, 184, 50, 13, tahoma);

    // The panel takes no input; its labels keep their normal look.
    Panel_Progress = new QWidget(this);
    Panel_Progress->setObjectName("Panel_Progress");
    Panel_Progress->setGeometry(139, 241, 280, 33);
    Panel_Progress->setAttribute(Qt::WA_TransparentForMouseEvents);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    Label_CP = FixedLabel(Panel_Progress, "Label_CP", "100", 122, -2, 18, 13, tahoma, right);
    Label10 = MakeLabel(Panel_Progress, "Label10", "%", 141, -2, tahoma);
    Label_TP = FixedLabel(Panel_Progress, "Label_TP", "100", 122, 20, 18, 13, tahoma, right);
    Label9 = MakeLabel(Panel_Progress, "Label9", "%", 141, 20, tahoma);

    CreateSkinnedControls();
    CentreOnScreen();
}

void TProgressWindow::CreateSkinnedControls() {
    Img_Background = CreateBackground();
    Img_Progress = CreateComponent<TImage>("Img_Progress", Panel_Progress);
    Img_CP = CreateComponent<TImage>("Img_CP", Panel_Progress);
    Img_TP = CreateComponent<TImage>("Img_TP", Panel_Progress);
    for (TImage *bar : {Img_Progress, Img_CP, Img_TP}) {
        bar->move(0, 0);
        bar->setEnabled(false);
    }
    Img_CP->SetTransparent(true);
    Img_TP->SetTransparent(true);
    Img_Progress->lower();
    for (QLabel *label : {Label_CP, Label_TP, Label10, Label9})
        label->raise();
    TB_Start = CreateComponent<TDynamicImageButton>("TB_Start");
    TB_Stop = CreateComponent<TDynamicImageButton>("TB_Stop");
    TB_Close = CreateComponent<TDynamicImageButton>("TB_Close");
    TB_Browse = CreateComponent<TDynamicImageButton>("TB_Browse");
    connect(TB_Close, &TImageButton::Click, this, [this] { close(); });
}
