#include "profiles/ProfileWindow.h"

#include "common/SharedFunctions.h"
#include "controls/ImageButton.h"
#include "controls/TImage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

TProfileWindow *ProfileWindow = nullptr;

namespace {

QGroupBox *MakeGroup(QWidget *parent, const QString &name, const QString &title, const QRect &place,
                     const QFont &font) {
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(name);
    group->setGeometry(place);
    group->setFont(font);
    group->setAutoFillBackground(true);
    QPalette palette = group->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(ColorRefToRgb(16446442)));
    group->setPalette(palette);
    return group;
}

QComboBox *MakeList(QWidget *parent, const QString &name, int left, int top, const QFont &font) {
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->setGeometry(left, top, 129, 21);
    list->setFont(font);
    return list;
}

} // namespace

TProfileWindow::TProfileWindow() {
    setObjectName("ProfileWindow");
    setWindowTitle("ProfileWindow");
    resize(480, 366);
    setFont(FormFont("MS Sans Serif", -11));
    const QFont tahoma = FormFont("Tahoma", -11);

    GroupBox1 = MakeGroup(this, "GroupBox1", " Video Setting ", {40, 64, 401, 121}, tahoma);
    Label3 = MakeLabel(GroupBox1, "Label3", "Video Resolution:", 16, 24, tahoma);
    Label8 = MakeLabel(GroupBox1, "Label8", "Width x Height", 300, 24, tahoma);
    Label1 = MakeLabel(GroupBox1, "Label1", "Video Quality:", 16, 56, tahoma);
    Label4 = MakeLabel(GroupBox1, "Label4", "Frame Rate:", 16, 88, tahoma);
    Label5 = MakeLabel(GroupBox1, "Label5", "KB / Second", 300, 56, tahoma);
    Label9 = MakeLabel(GroupBox1, "Label9", "Frame / Second", 300, 88, tahoma);
    GroupBox2 = MakeGroup(this, "GroupBox2", " Audio Setting ", {40, 200, 401, 121}, tahoma);
    Label10 = MakeLabel(GroupBox2, "Label10", "Audio Channels:", 16, 24, tahoma);
    Label12 = MakeLabel(GroupBox2, "Label12", "Audio Quality:", 16, 56, tahoma);
    Label14 = MakeLabel(GroupBox2, "Label14", "Frame Rate:", 16, 88, tahoma);
    Label15 = MakeLabel(GroupBox2, "Label15", "KB / Second", 300, 56, tahoma);
    Label16 = MakeLabel(GroupBox2, "Label16", "KHertz", 300, 88, tahoma);

    ComboBox_VideoResolution = MakeList(GroupBox1, "ComboBox_VideoResolution", 136, 20, tahoma);
    ComboBox_VideoFramerate = MakeList(GroupBox1, "ComboBox_VideoFramerate", 136, 84, tahoma);
    ComboBox_AudioChannel = MakeList(GroupBox2, "ComboBox_AudioChannel", 136, 20, tahoma);
    ComboBox_AudioChannel->addItems({"1 Channel Mono", "2 Channels Stereo"});
    ComboBox_AudioChannel->setCurrentIndex(0);
    ComboBox_AudioBitRate = MakeList(GroupBox2, "ComboBox_AudioBitRate", 136, 52, tahoma);
    ComboBox_AudioFrameRate = MakeList(GroupBox2, "ComboBox_AudioFrameRate", 136, 84, tahoma);

    Edit_Name = new QLineEdit(this);
    Edit_Name->setObjectName("Edit_Name");
    Edit_Name->setGeometry(136, 34, 225, 19);
    Edit_Name->setFrame(false);
    Edit_Name->setMaxLength(15);
    Edit_Name->setFont(FormFont("MS Sans Serif", -11));

    Edit_VideoBitRate = new QLineEdit(GroupBox1);
    Edit_VideoBitRate->setObjectName("Edit_VideoBitRate");
    Edit_VideoBitRate->setGeometry(136, 52, 114, 21);
    Edit_VideoBitRate->setFont(tahoma);

    // A spin control of its own, not tied to the edit: only its arrows are shown.
    UpDown = new QSpinBox(GroupBox1);
    UpDown->setObjectName("UpDown");
    UpDown->setGeometry(251, 52, 12, 21);
    UpDown->setRange(1, 2500);
    UpDown->setValue(20);
    UpDown->setSingleStep(1);
    UpDown->setWrapping(false);
    UpDown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);

    CreateSkinnedControls();
    CentreOnScreen();
}

void TProfileWindow::CreateSkinnedControls() {
    Img_Background = CreateBackground();
    TB_Ok = CreateComponent<TDynamicImageButton>("TB_Ok");
    TB_Cancel = CreateComponent<TDynamicImageButton>("TB_Cancel");
    TB_Close = CreateComponent<TDynamicImageButton>("TB_Close");
    connect(TB_Cancel, &TImageButton::Click, this, [this] { close(); });
    connect(TB_Close, &TImageButton::Click, this, [this] { close(); });
}
