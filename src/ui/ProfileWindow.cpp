#include "ui/ProfileWindow.h"

#include "common/MessagePort.h"
#include "common/NumberText.h"
#include "common/SharedFunctions.h"
#include "controls/ImageButton.h"
#include "controls/MaskRegion.h"
#include "controls/TImage.h"
#include "desktop/MessageBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <exception>

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

// The typing limit of the name.
constexpr int kNameMaxTyped = 15;

void ShowList(QComboBox *combo, const EditorList &list) {
    combo->clear();
    combo->addItems(list.Items);
    combo->setCurrentIndex(list.Selected);
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

TProfileWindow::TProfileWindow() : editor_(ProfileCatalogue().Path()) {
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
    Edit_Name->setMaxLength(kNameMaxTyped);
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

    connect(Edit_VideoBitRate, &QLineEdit::textChanged, this,
            [this](const QString &text) { Edit_VideoBitRateChange(text); });
    connect(UpDown, &QSpinBox::valueChanged, this, [this](int value) { UpDownClick(value); });

    CreateSkinnedControls();
    CentreOnScreen();
}

void TProfileWindow::CreateSkinnedControls() {
    Img_Background = CreateBackground();
    TB_Ok = CreateComponent<TDynamicImageButton>("TB_Ok");
    TB_Cancel = CreateComponent<TDynamicImageButton>("TB_Cancel");
    TB_Close = CreateComponent<TDynamicImageButton>("TB_Close");
    connect(TB_Ok, &TImageButton::Click, this, [this] { TB_OkClick(); });
    connect(TB_Cancel, &TImageButton::Click, this, [this] { TB_CancelClick(); });
    connect(TB_Close, &TImageButton::Click, this, [this] { TB_CancelClick(); });
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this,
            [this] { TB_CancelClick(); });
}

void TProfileWindow::OpenForNew(int32_t device_type) {
    editor_.OpenForNew(device_type);
    ShowEditor();
}

void TProfileWindow::OpenForEdit(int32_t slot) {
    editor_.OpenForEdit(slot);
    ShowEditor();
}

void TProfileWindow::ShowEditor() {
    UpDown->setRange(1, editor_.MostBitRate());
    ShowList(ComboBox_VideoResolution, editor_.Resolution);
    ShowList(ComboBox_VideoFramerate, editor_.FrameRate);
    ShowList(ComboBox_AudioBitRate, editor_.AudioBitRate);
    ShowList(ComboBox_AudioFrameRate, editor_.AudioFrequency);
    SetNameText(editor_.Name);
    Edit_Name->setReadOnly(editor_.NameReadOnly);
    // A name that cannot be changed does not look like a field to type in.
    QPalette look = Edit_Name->palette();
    look.setColor(QPalette::Base,
                  palette().color(editor_.NameReadOnly ? QPalette::Window : QPalette::Base));
    Edit_Name->setPalette(look);
    Edit_VideoBitRate->setText(editor_.VideoBitRate);
    Edit_VideoBitRateChange(Edit_VideoBitRate->text());
    ComboBox_AudioChannel->setCurrentIndex(editor_.ChannelIndex);
}

void TProfileWindow::SetNameText(const QString &name) {
    // Lowering the limit again would cut the text, so a longer name keeps its own length.
    Edit_Name->setMaxLength(std::max<int>(kNameMaxTyped, static_cast<int>(name.size())));
    Edit_Name->setText(name);
}

void TProfileWindow::Edit_VideoBitRateChange(const QString &text) {
    const QString clamped = ProfileEditor::ClampedBitRate(text, editor_.MostBitRate());
    if (Edit_VideoBitRate->text() != clamped)
        Edit_VideoBitRate->setText(clamped);
    // Moving the arrows' position is no click on them.
    const QSignalBlocker quiet(UpDown);
    UpDown->setValue(IntegerValue(clamped));
}

void TProfileWindow::UpDownClick(int position) {
    Edit_VideoBitRate->setText(QString::number(position));
}

QString TProfileWindow::SaveProfile() {
    return editor_.SaveProfile(ProfileTextParts{
        Edit_Name->text(), ComboBox_VideoResolution->currentText(), Edit_VideoBitRate->text(),
        ComboBox_VideoFramerate->currentText(), ComboBox_AudioBitRate->currentText(),
        ComboBox_AudioFrameRate->currentText(), ComboBox_AudioChannel->currentText()});
}

void TProfileWindow::TB_OkClick() {
    try {
        // A profile its device cannot play is refused; the window stays open to mend it.
        if (const QString refused = SaveProfile(); !refused.isEmpty()) {
            ShowMessageBox(BoxKind::Information, refused);
            return;
        }
    } catch (const std::exception &error) {
        // The window stays open with what the user entered.
        ReportEventError(QString::fromUtf8(error.what()));
        return;
    }
    close();
}

void TProfileWindow::TB_CancelClick() {
    close();
}
