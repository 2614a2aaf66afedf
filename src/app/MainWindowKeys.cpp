// The main window's keyboard: its shortcuts, the order Tab takes through the controls, and the
// keys named in the buttons' hints.
#include "app/HelpMenu.h"
#include "app/MainWindow.h"
#include "controls/ControlAccessibility.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListKeys.h"
#include "controls/ListPanel.h"
#include "model/ClipList.h"
#include "preview/PreviewController.h"
#include <QComboBox>
#include <QShortcut>
#include <functional>

void TMainWindow::HookKeyboard() {
    InstallControlAccessibility();
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), [this] { TB_AddFileClick(); }},
        {QKeySequence(Qt::Key_Delete), [this] { TB_DelFileClick(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_A),
         [this] {
             for (int32_t i = 0; i < clips_->Count(); ++i)
                 clips_->SetSelected(i, true);
         }},
        {QKeySequence(Qt::Key_Space), [this] { preview_->PlayOrPause(); }},
        {QKeySequence(Qt::Key_I), [this] { TB_PreviousClick(); }},
        {QKeySequence(Qt::Key_O), [this] { TB_NextClick(); }},
        {QKeySequence(Qt::Key_Left), [this] { preview_->SeekBy(-1); }},
        {QKeySequence(Qt::Key_Right), [this] { preview_->SeekBy(1); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), [this] { preview_->SeekBy(-10); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_Right), [this] { preview_->SeekBy(10); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { TB_ConvertClick(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { TB_ConvertClick(); }},
        {QKeySequence(Qt::Key_F1), [this] { HelpMenuClick(QStringLiteral("Help"), this); }},
    };
    for (const auto &[sequence, action] : keys)
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, action);
    KeepListKeys(ComboBox_Device);
    KeepListKeys(ComboBox_OutputSetting);
    // Tab goes through the controls as they are seen: the device panel, the list and its
    // buttons, the preview, the marks, the device and its profile and Convert, then the title
    // bar's buttons.
    QWidget *const order[] = {Panel_Preview,
                              TB_AddFile,
                              TB_DelFile,
                              TP_ImageList,
                              TB_Play,
                              TB_Pause,
                              TB_Stop,
                              TB_AS_Keep,
                              TB_Previous,
                              TB_Next,
                              TP_Progress,
                              ComboBox_Device,
                              ComboBox_OutputSetting,
                              TB_Edit,
                              TB_Convert,
                              TB_Help,
                              TB_Min,
                              TB_Close};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TMainWindow::ShowKeysInHints() {
    const std::pair<QWidget *, const char *> hints[] = {
        {TB_AddFile, "Ctrl+O"},      {TB_DelFile, "Delete"}, {TB_Play, "Space"},
        {TB_Pause, "Space"},         {TB_Previous, "I"},     {TB_Next, "O"},
        {TB_Convert, "Ctrl+Return"}, {TB_Help, "F1"}};
    for (const auto &[control, key] : hints) {
        const QString hint = control->toolTip();
        if (!hint.endsWith(QLatin1Char(')')))
            control->setToolTip(QStringLiteral("%1 (%2)").arg(hint, QLatin1String(key)));
    }
    TP_ImageList->setAccessibleName(QStringLiteral("Clips"));
    ComboBox_OutputSetting->setAccessibleName(QStringLiteral("Output profile"));
    ComboBox_Device->setAccessibleName(QStringLiteral("Device"));
    ComboBox_Device->setToolTip(QStringLiteral("The device the clips are converted for"));
}
