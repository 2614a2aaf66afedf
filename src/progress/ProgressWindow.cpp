#include "progress/ProgressWindow.h"

#include "desktop/OpenAddress.h"

#include "common/Globals.h"
#include "common/SharedFunctions.h"
#include "controls/ImageButton.h"
#include "controls/TImage.h"
#include "desktop/MessageBox.h"
#include "engine/RunForecast.h"
#include "model/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QUrl>
#include <algorithm>

TProgressWindow *ProgressWindow = nullptr;

void OpenOutputFolder(const QString &folder) {
    OpenAddress(QUrl::fromLocalFile(folder));
}

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

    CreateRunLabels(tahoma);
    CreateSkinnedControls();
    CentreOnScreen();
    ResetProgress();
}

namespace {
constexpr QRgb kFaultColour = 0xffb01020;
constexpr QRgb kGoodColour = 0xff106020;
} // namespace

void TProgressWindow::CreateRunLabels(const QFont &font) {
    // Beside the clip's times, right of the labels the window always had.
    Label_Speed = FixedLabel(this, "Label_Speed", "", 372, 160, 150, 13, font);
    Label_TimeLeft = FixedLabel(this, "Label_TimeLeft", "", 372, 184, 150, 13, font);
    Label_Note = FixedLabel(this, "Label_Note", "", 112, 54, 400, 13, font);
    Label_Forecast = FixedLabel(this, "Label_Forecast", "", 32, 70, 480, 13, font);
}

// A note is something to read, in a colour of its own so it is not taken for part of the
// picture: dark red for what went wrong, dark green for what was checked and holds.
void TProgressWindow::ShowNote(const QString &text, QRgb colour) {
    QPalette palette = Label_Note->palette();
    palette.setColor(QPalette::WindowText, QColor(colour));
    Label_Note->setPalette(palette);
    Label_Note->setText(text);
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
    connect(TB_Start, &TImageButton::Click, this, [this] { TB_StartClick(); });
    connect(TB_Stop, &TImageButton::Click, this, [this] { TB_StopClick(); });
    connect(TB_Close, &TImageButton::Click, this, [this] { TB_CloseClick(); });
    connect(TB_Browse, &TImageButton::Click, this, [this] { TB_BrowseClick(); });
    // Escape closes the window as its close button does: refused while a run converts.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this,
            [this] { TB_CloseClick(); });
}

void TProgressWindow::AttachRun(ConversionRun *run, RunHost host) {
    host_ = std::move(host);
    if (run_ == run)
        return;
    if (run_ != nullptr)
        disconnect(run_, nullptr, this, nullptr);
    run_ = run;
    connect(run, &ConversionRun::ClipStarting, this, &TProgressWindow::ShowClipInfo);
    connect(run, &ConversionRun::StatusLine, this, &TProgressWindow::ParseEngineInfo);
    connect(run, &ConversionRun::RunFinished, this, &TProgressWindow::RunFinished);
}

void TProgressWindow::ShowButtons(bool converting) {
    TB_Start->setVisible(!converting);
    TB_Stop->setVisible(converting);
}

void TProgressWindow::ResetProgress() {
    if (run_ != nullptr && !Converting())
        run_->ResetIndex();
    // A new list: what the last run left to say is not about it.
    Label_Note->clear();
    Label_Note->setToolTip({});
    ClearDisplay();
    ShowRunForecast();
    // Space or Return starts the run from the keyboard.
    TB_Start->setFocus(Qt::OtherFocusReason);
}

void TProgressWindow::ShowRunForecast() {
    Label_Forecast->clear();
    if (run_ == nullptr || !host_)
        return;
    const RunRequest request = host_();
    if (!request.Profile || request.Clips.isEmpty())
        return;
    // A run that goes on after a cut one makes only the clips after those done.
    const QList<ClipSource> left =
        request.Clips.mid(std::min(request.Done.size(), request.Clips.size()));
    const RunForecast forecast = ForecastRun(left, *request.Profile, run_->Speed());
    const SpaceVerdict space = JudgeSpace(forecast, FolderFreeBytes(request.Folder));
    QString text = RunSummaryText(forecast);
    if (!space.Text.isEmpty())
        text += QStringLiteral("; ") + space.Text;
    QPalette palette = QApplication::palette(Label_Forecast);
    if (!space.Fits)
        palette.setColor(QPalette::WindowText, QColor(kFaultColour));
    Label_Forecast->setPalette(palette);
    Label_Forecast->setText(text);
}

void TProgressWindow::ClearDisplay() {
    for (QLabel *label : {Label_SrcName, Label_DesName})
        label->clear();
    for (QLabel *label : {Label_StartTime, Label_StopTime, Label_Length, Label_CurrentTime})
        label->setText(QStringLiteral("00:00:00"));
    Label_Speed->clear();
    Label_TimeLeft->clear();
    Edit_WorkingFolder->setText(path_Work);
    SetProgress(0);
    ShowButtons(false);
}

void TProgressWindow::SetProgress(int32_t percent) {
    const int32_t p = std::clamp(percent, 0, 100);
    Label_CP->setText(QString::number(p));
    Img_CP->move(p * Img_CP->width() / 100 + kBarOffset, Img_CP->y());
    const int32_t t = run_ != nullptr ? run_->WholePercent(p) : 0;
    Label_TP->setText(QString::number(t));
    Img_TP->move(t * Img_TP->width() / 100 + kBarOffset, Img_TP->y());
}

void TProgressWindow::TB_StartClick() {
    if (run_ == nullptr || Converting() || !host_)
        return;
    Label_Note->clear();
    Label_Note->setToolTip({});
    const RunRequest request = host_();
    run_->SetSpeedRecord(SpeedRecord::Read());
    const RunOutcome outcome = run_->Begin(request);
    ShowStartOutcome(outcome, request.Folder);
    if (outcome.Start != RunStart::Started)
        return;
    ShowButtons(true);
    run_->StartClip();
}

void TProgressWindow::ShowStartOutcome(const RunOutcome &outcome, const QString &chosen) {
    if (outcome.Start == RunStart::NoFolder) {
        ShowMessageBox(BoxKind::Error, RunStartMessage(outcome.Start));
        return;
    }
    if (outcome.FolderFellBack) {
        UseOutputFolder(outcome.Folder);
        Label_Note->setText(
            QStringLiteral("Could not create the chosen folder - using the default folder."));
        Label_Note->setToolTip(chosen);
    }
    ClearDisplay();
    if (outcome.Start == RunStart::NoSpace)
        ShowRunForecast();
    if (outcome.Start != RunStart::Started)
        ShowMessageBox(BoxKind::Information,
                       outcome.Detail.isEmpty()
                           ? RunStartMessage(outcome.Start)
                           : RunStartMessage(outcome.Start) + QLatin1Char('\n') + outcome.Detail);
}

void TProgressWindow::TB_StopClick() {
    if (run_ != nullptr && Converting())
        run_->RequestStop();
}

void TProgressWindow::TB_CloseClick() {
    close();
}

void TProgressWindow::closeEvent(QCloseEvent *event) {
    // Every way of closing the window meets the same refusal while a run converts.
    if (Converting()) {
        event->ignore();
        ShowMessageBox(BoxKind::Information, kConvertingNowMessage);
        return;
    }
    event->accept();
}

void TProgressWindow::TB_BrowseClick() {
    if (TB_Stop->isVisible() || Converting())
        return;
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Please select \"Output Folder\" :"),
                                          QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    ChooseOutputFolder(folder);
    Label_Note->clear();
    Edit_WorkingFolder->setText(path_Work);
}

void TProgressWindow::ShowClipInfo(const TConvertDef &job) {
    ClipStart = job.Start;
    ClipLength = job.Length;
    Label_SrcName->setText(FilePart(job.Input));
    Label_DesName->setText(FilePart(job.Output));
    // The display keeps its own time rule; the engine's start text may pass 24 hours.
    Label_StartTime->setText(SecondsToTimeText(job.Start));
    Label_StopTime->setText(job.StopText);
    Label_Length->setText(SecondsToTimeText(ClipLength));
    Label_CurrentTime->setText(QStringLiteral("00:00:00"));
    SetProgress(0);
    if (!clock_.isValid())
        clock_.start();
    speed_.StartClip(ClipLength, run_ != nullptr ? run_->SecondsAfterCurrent() : 0,
                     static_cast<double>(clock_.nsecsElapsed()) / 1e9);
    ShowSpeed();
}

void TProgressWindow::ParseEngineInfo(const QString &text) {
    const std::optional<EngineInfo> info = ::ParseEngineInfo(text, ClipStart, ClipLength);
    if (!info)
        return;
    SetProgress(info->Percent);
    Label_CurrentTime->setText(SecondsToTimeText(info->CurrentSeconds));
    speed_.Observe(info->Position, static_cast<double>(clock_.nsecsElapsed()) / 1e9);
    ShowSpeed();
}

void TProgressWindow::ShowSpeed() {
    Label_Speed->setText(QStringLiteral("Speed : ") + SpeedText(speed_.Speed()));
    // Until the clip shows its own speed, the time this machine took for such clips before.
    std::optional<double> left = speed_.SecondsLeft();
    if (!left && run_ != nullptr && run_->Converting())
        left = run_->ExpectedSecondsLeft();
    Label_TimeLeft->setText(QStringLiteral("Time Left : ") + TimeLeftText(left));
}

void TProgressWindow::RunFinished(const RunSummary &summary) {
    ShowButtons(false);
    if (run_ != nullptr)
        run_->Speed().Write();
    if (summary.Stopped) {
        Label_TimeLeft->clear();
        ShowMessageBox(BoxKind::Information, kStoppedMessage);
    } else {
        SetProgress(100);
        Label_TimeLeft->setText(QStringLiteral("Time Left : ") + SecondsToTimeText(0));
    }
    const QString failures = summary.FailureText();
    if (!failures.isEmpty()) {
        ShowNote(summary.FailureLine(), kFaultColour);
        Label_Note->setToolTip(failures);
        ShowMessageBox(BoxKind::Warning, failures);
    } else if (!summary.Stopped) {
        ShowNote(summary.PlaysLine(), kGoodColour);
    }
    if (ConversionRun::ShowFolderAfter(summary))
        OpenOutputFolder(path_Work);
}
