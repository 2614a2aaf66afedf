#include "app/MainWindow.h"

#include "app/ClipAdder.h"
#include "app/DeviceMenu.h"
#include "app/HelpMenu.h"
#include "app/ListRestore.h"
#include "common/Globals.h"
#include "common/MessagePort.h"
#include "common/SharedFunctions.h"
#include "controls/ControlMessages.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "controls/TImage.h"
#include "desktop/ErrorReport.h"
#include "desktop/MessageBox.h"
#include "engine/ConversionRun.h"
#include "engine/DeviceJob.h"
#include "engine/EngineBinding.h"
#include "engine/OutputForecast.h"
#include "engine/SizeTrial.h"
#include "model/ClipList.h"
#include "model/SavedList.h"
#include "model/Settings.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPlayer.h"
#include "preview/ResultToggle.h"
#include "profiles/DeviceTable.h"
#include "progress/ProgressWindow.h"
#include "skin/SkinLoader.h"
#include "skin/Splash.h"
#include "ui/AboutWindow.h"
#include "ui/ProfileChooser.h"
#include "ui/ProfileWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <cfenv>

TMainWindow *MainWindow = nullptr;

namespace {
// The program does not end under a running clip: the engine is stopped and the clip's end
// awaited this long before the engine is put away.
constexpr int kRunEndWaitMs = 5000;
} // namespace

TMainWindow::TMainWindow() {
    // Arithmetic never traps: a division by zero gives an infinity or NaN.
    fedisableexcept(FE_ALL_EXCEPT);
    setObjectName("MainWindow");
    resize(792, 566);
    setFont(FormFont("MS Sans Serif", -11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(255, 251, 240)); // cream
    setPalette(palette);
    setAutoFillBackground(true);

    Panel_Preview = new QWidget(this);
    Panel_Preview->setObjectName("Panel_Preview");
    Panel_Preview->setGeometry(421, 68, 300, 224);
    Panel_Preview->setStyleSheet("background-color: black;");
    Panel_Preview->setAttribute(Qt::WA_StyledBackground);
    setAcceptDrops(true);

    ComboBox_OutputSetting = new QComboBox(this);
    ComboBox_OutputSetting->setObjectName("ComboBox_OutputSetting");
    ComboBox_OutputSetting->setEditable(false);
    ComboBox_OutputSetting->setGeometry(184, 358, 337, 21);
    ComboBox_OutputSetting->setFont(FormFont("Tahoma", -11));
    ComboBox_OutputSetting->setStyleSheet("QComboBox { background-color: #a0a0a0; }");

    ComboBox_Device = new QComboBox(this);
    ComboBox_Device->setObjectName("ComboBox_Device");
    ComboBox_Device->setGeometry(24, 358, 150, 21);
    ComboBox_Device->setFont(FormFont("Tahoma", -11));
    ComboBox_Device->setStyleSheet("QComboBox { background-color: #a0a0a0; }");
    for (int32_t device = 0; device < kDeviceCount; ++device)
        ComboBox_Device->addItem(DeviceRowFor(device)->Caption);

    CentreOnScreen();
    FormCreate();
}

TMainWindow::~TMainWindow() {
    FormDestroy();
}

HWND TMainWindow::Handle() const {
    return port_ != nullptr ? port_->Handle() : nullptr;
}

void TMainWindow::FormCreate() {
    if (!LoadEngine(QCoreApplication::applicationDirPath() + "/")) {
        // Nothing else happens after this: no engine or player call, no settings touched.
        HideSplash();
        ShowMessageBox(BoxKind::Error, kEngineLoadError);
        return;
    }
    engine_loaded_ = true;
    // (COM has no counterpart here.)
    DllInit();
    port_ = new MessagePort([this](UINT m, WPARAM w, LPARAM l) { return HandleMessage(m, w, l); },
                            this);
    run_ = new ConversionRun(this);
    clips_ = new ClipList(this);
    keeper_ = std::make_unique<ListKeeper>(SavedListFolder());
    run_->SetWindow(Handle());
    CreateSkinnedControls();
    HookEvents();
    InitWindowState();
    started_up_ = true;
}

void TMainWindow::InitWindowState() {
    AddingFiles = false;
    ErrorCount = 0;
    LoadSettings();
    EnsureFolders();
}

void TMainWindow::CreateSkinnedControls() {
    TP_ImageList = CreateComponent<TListPanel>("TP_ImageList");
    TP_ImageList->SetParentHandle(Handle());
    TP_ImageList->SetClipList(clips_);
    Img_Background = CreateBackground();
    TB_Play = CreateComponent<TDynamicImageButton>("TB_Play");
    TB_Stop = CreateComponent<TDynamicImageButton>("TB_Stop");
    TB_Pause = CreateComponent<TDynamicImageButton>("TB_Pause");
    TB_Next = CreateComponent<TDynamicImageButton>("TB_Next");
    TB_Previous = CreateComponent<TDynamicImageButton>("TB_Previous");
    TP_Progress = CreateComponent<TFixProgress>("TP_Progress");
    TP_Progress->SetParentHandle(Handle());
    TB_Close = CreateComponent<TDynamicImageButton>("TB_Close");
    TB_AS_Keep = CreateComponent<TCheckImageButton>("TB_AS_Keep");
    TB_Min = CreateComponent<TDynamicImageButton>("TB_Min");
    TB_Help = CreateComponent<TDynamicImageButton>("TB_Help");
    TB_AddFile = CreateComponent<TDynamicImageButton>("TB_AddFile");
    TB_DelFile = CreateComponent<TDynamicImageButton>("TB_DelFile");
    TB_Edit = CreateComponent<TDynamicImageButton>("TB_Edit");
    TB_Convert = CreateComponent<TDynamicImageButton>("TB_Convert");
    Img_VideoPic = CreateComponent<TImage>("Img_VideoPic", Panel_Preview);
    Img_VideoPic->setGeometry(Panel_Preview->rect());
    Img_VideoPic->setEnabled(false);
    Img_VideoPic->lower();
    PositionTimer = new QTimer(this);
    PositionTimer->setInterval(500);
}

void TMainWindow::DestroySkinnedControls() {
    for (const QPointer<QWidget> &control : Components())
        delete control.data();
    delete PositionTimer;
    PositionTimer = nullptr;
    delete HelpMenu;
    HelpMenu = nullptr;
    delete AboutWindow;
}

void TMainWindow::HookEvents() {
    error_report_ = std::make_unique<ErrorReport>(ErrorCount, this);
    error_report_->Install();
    connect(TB_Help, &TImageButton::Click, this, &TMainWindow::ShowHelpMenu);
    connect(TB_Close, &TImageButton::Click, this, &TMainWindow::TB_CloseClick);
    connect(TB_Min, &TImageButton::Click, this, [this] { showMinimized(); });
    clip_adder_ = std::make_unique<ClipAdder>(
        AddingFiles, [this](const AddedClip &clip) { AddClipEntry(clip); });
    SetPreviewEventPort(port_);
    preview_ = std::make_unique<PreviewController>(
        PreviewControls{clips_, TP_Progress, Img_VideoPic, Panel_Preview, PositionTimer});
    connect(TB_Play, &TImageButton::Click, this, &TMainWindow::TB_PlayClick);
    connect(TB_Stop, &TImageButton::Click, this, &TMainWindow::TB_StopClick);
    connect(TB_Pause, &TImageButton::Click, this, &TMainWindow::TB_PauseClick);
    connect(TB_Next, &TImageButton::Click, this, &TMainWindow::TB_NextClick);
    connect(TB_Previous, &TImageButton::Click, this, &TMainWindow::TB_PreviousClick);
    connect(TB_AS_Keep, &TImageButton::Click, this, &TMainWindow::TB_AS_KeepClick);
    connect(TB_AddFile, &TImageButton::Click, this, &TMainWindow::TB_AddFileClick);
    connect(TB_DelFile, &TImageButton::Click, this, &TMainWindow::TB_DelFileClick);
    connect(TB_Edit, &TImageButton::Click, this, [this] { TB_EditClick(); });
    profile_chooser_ = new ProfileChooser(ComboBox_OutputSetting, ProfileCatalogue().Path(), this);
    device_menu_ = new DeviceMenu(Panel_Preview, Img_VideoPic);
    connect(device_menu_, &DeviceMenu::DeviceChosen, this, [this](int32_t d) { SelectDevice(d); });
    connect(ComboBox_Device, &QComboBox::activated, this, [this](int d) { SelectDevice(d); });
    connect(TB_Convert, &TImageButton::Click, this, [this] { TB_ConvertClick(); });
    HookForecasts();
    HookResult();
    connect(run_, &ConversionRun::RunFinished, this, &TMainWindow::AddWaitingFiles);
    connect(clip_adder_.get(), &ClipAdder::Finished, this, &TMainWindow::AddWaitingFiles);
    HookListSaving();
    HookKeyboard();
}

void TMainWindow::HookForecasts() {
    // The clips are measured while the user is not converting, making a sample, adding clips or
    // looking at the run before Start.
    trials_ = new SizeTrials(
        [this] {
            return AddingFiles || run_->Converting() || ProgressWindow->isVisible() ||
                   (restore_ != nullptr && restore_->Busy()) ||
                   (result_ != nullptr && result_->Current() == ResultToggle::State::Making);
        },
        this);
    TP_ImageList->SetForecaster([this](const ClipRecord &clip) -> std::optional<FileForecast> {
        const std::optional<QString> text = ChosenProfile();
        const std::optional<DeviceRow> device = DeviceRowFor(DeviceType);
        if (!text || !device)
            return std::nullopt;
        const std::optional<ProfileSettings> profile = DeviceProfileSettings(*text, DeviceType);
        if (!profile)
            return std::nullopt;
        const ClipSource source = ClipList::SourceOf(clip);
        const FileForecast file = ForecastClip(source, *profile, *device);
        if (!file.Measured && file.Converts && trials_ != nullptr)
            trials_->Want(source, *profile);
        return file;
    });
    connect(ComboBox_OutputSetting, &QComboBox::currentIndexChanged, TP_ImageList,
            &TListPanel::ShowForecasts);
    connect(trials_, &SizeTrials::Measured, TP_ImageList, &TListPanel::ShowForecasts);
}

void TMainWindow::HookResult() {
    // Between the preview's Stop and its aspect-ratio buttons.
    TB_Result = new QPushButton(QStringLiteral("Result"), this);
    TB_Result->setObjectName("TB_Result");
    TB_Result->setGeometry(733, 208, 46, 34);
    TB_Result->setToolTip(QStringLiteral("A few seconds around the play position converted with "
                                         "the chosen profile, shown in the source's place"));
    result_ = new ResultToggle(
        preview_.get(), clips_,
        [this]() -> std::optional<ProfileSettings> {
            const std::optional<QString> text = ChosenProfile();
            return text ? DeviceProfileSettings(*text, DeviceType) : std::nullopt;
        },
        [this]() -> const ConversionRun * { return run_; }, this);
    connect(TB_Result, &QPushButton::clicked, this, [this] {
        if (const QString why = result_->Toggle(); !why.isEmpty())
            ShowMessageBox(BoxKind::Information, why);
    });
    connect(result_, &ResultToggle::StateChanged, this,
            [this] { TB_Result->setText(result_->ButtonText()); });
    connect(result_, &ResultToggle::Failed, this, [](const QString &reason) {
        ShowMessageBox(BoxKind::Warning, QStringLiteral("The sample could not be made: ") + reason);
    });
}

void TMainWindow::HookListSaving() {
    // Another running program keeps its own list; this one then keeps none.
    if (!keeper_->Lock())
        return;
    saver_ = new ListSaver(*keeper_,
                           {clips_, run_, [this] { return DeviceType; },
                            [this] { return ChosenProfile().value_or(QString()); }},
                           this);
    connect(ComboBox_OutputSetting, &QComboBox::currentIndexChanged, saver_, &ListSaver::Schedule);
    restore_ = new ListRestore(RestoreHooks(), *keeper_, *saver_, *clips_, this);
    connect(restore_, &ListRestore::Over, this, &TMainWindow::AddWaitingFiles);
}

RestoreWindow TMainWindow::RestoreHooks() {
    RestoreWindow hooks;
    hooks.Ask = [this](const QString &question) {
        return ShowMessageBox(BoxKind::Confirmation, question, BoxButtons::YesNo, this) == IDYES;
    };
    hooks.Tell = [this](const QString &text) {
        ShowMessageBox(BoxKind::Information, text, BoxButtons::Ok, this);
    };
    hooks.SelectDevice = [this](int32_t device) { SelectDevice(device); };
    hooks.SelectProfile = [this](const QString &profile) {
        const int at = ComboBox_OutputSetting->findText(profile);
        if (at >= 0)
            ComboBox_OutputSetting->setCurrentIndex(at);
        return at >= 0;
    };
    hooks.ChosenProfile = [this] { return ChosenProfile().value_or(QString()); };
    hooks.AddFiles = [this](const QStringList &files, std::function<void()> added) {
        AddFiles(files);
        if (clip_adder_->Adding())
            connect(clip_adder_.get(), &ClipAdder::Finished, this, std::move(added),
                    Qt::SingleShotConnection);
        else
            added();
    };
    hooks.GoOn = [this](const QList<ClipResult> &done) { OpenProgressWindow(done, true); };
    return hooks;
}

void TMainWindow::OfferRestore() {
    if (restore_ != nullptr)
        restore_->Offer();
}

void TMainWindow::AddWaitingFiles() {
    const bool busy =
        AddingFiles || run_->Converting() || (restore_ != nullptr && restore_->Busy());
    if (busy || waiting_files_.isEmpty() || clip_adder_ == nullptr)
        return;
    clip_adder_->Add(std::exchange(waiting_files_, {}), ErrorCount);
}

void TMainWindow::TB_AddFileClick() {
    if (AddingFiles)
        return;
    const QStringList files = ChooseClipFiles(this);
    // The part of the window the dialog covered is drawn again before the clips are read.
    repaint();
    AddFiles(files);
}

void TMainWindow::AddFiles(const QStringList &files) {
    if (!AddingFiles && clip_adder_ != nullptr)
        clip_adder_->Add(files, ErrorCount);
}

void TMainWindow::AddClipEntry(const AddedClip &clip) {
    // A clip is listed with its picture or not at all.
    if (clip.picture.isNull())
        return;
    ClipRecord record = clip.record;
    record.Thumbnail = clip.picture;
    if (restore_ != nullptr)
        restore_->ApplyMarks(record);
    clips_->AddItem(std::move(record));
}

void TMainWindow::TB_DelFileClick() {
    clips_->RemoveSelected();
}

void TMainWindow::TB_PlayClick() {
    if (!AddingFiles)
        preview_->PlayClick();
}

void TMainWindow::TB_StopClick() {
    StopPreview();
}

void TMainWindow::TB_PauseClick() {
    preview_->PauseClick();
}

void TMainWindow::TB_NextClick() {
    preview_->NextClick();
}

void TMainWindow::TB_PreviousClick() {
    preview_->PreviousClick();
}

void TMainWindow::TB_AS_KeepClick() {
    TB_AS_Keep->SetChecked(!TB_AS_Keep->Checked);
    SetKeepRatio(TB_AS_Keep->Checked);
    preview_->KeepRatioChanged();
}

void TMainWindow::TB_CloseClick() {
    clips_->ClearItems();
    close();
}

void TMainWindow::dragEnterEvent(QDragEnterEvent *event) {
    if (!AddingFiles && clip_adder_ != nullptr && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent *event) {
    if (AddingFiles || clip_adder_ == nullptr)
        return;
    event->acceptProposedAction();
    AddDroppedFiles(LocalPaths(event->mimeData()->urls()));
}

void TMainWindow::AddDroppedFiles(const QStringList &paths) {
    if (clip_adder_ == nullptr)
        return;
    // The drop ends first; the clips are read once the file manager has its answer, or once
    // the list is free.
    waiting_files_ << FilesToAdd(paths);
    QMetaObject::invokeMethod(this, &TMainWindow::AddWaitingFiles, Qt::QueuedConnection);
}

bool TMainWindow::LoadSkinsAndDefaults() {
    if (!ApplySkin(this, path_Skin) || !ApplySkin(ProgressWindow, path_Skin) ||
        !ApplySkin(ProfileWindow, path_Skin))
        return false;
    g_s_Version = "2.1.3 Build on 20070421";
    TB_AS_Keep->SetChecked(b_KeepRatio);
    ShowKeysInHints();
    // The keyboard starts at the clip list, the window's main part.
    TP_ImageList->setFocus(Qt::OtherFocusReason);
    SelectDevice(StoredDeviceType());
    g_s_ApplicationTitle = "Mavo iPod Converter";
    return true;
}

void TMainWindow::ShowHelpMenu() {
    if (HelpMenu == nullptr)
        HelpMenu = BuildHelpMenu(this);
    HelpMenu->popup(QCursor::pos());
}

void TMainWindow::SelectDevice(int32_t device_type) {
    FillProfileCombo(device_type);
    DeviceType = device_type;
    SetStoredDeviceType(device_type);
    if (saver_ != nullptr)
        saver_->Schedule();
    device_menu_->SetCurrent(device_type);
    ComboBox_Device->setCurrentIndex(device_type);
    QString picture;
    if (const std::optional<DeviceRow> row = DeviceRowFor(device_type)) {
        OutputExt = row->OutputExt;
        OutputFormat = row->OutputFormat;
        picture = row->Picture;
        ComboBox_OutputSetting->setToolTip(
            QStringLiteral("Output profiles for %1").arg(row->Caption));
    }
    // A missing picture leaves the panel black.
    if (picture.isEmpty() || !QFileInfo(path_Skin + picture).isFile() ||
        !Img_VideoPic->LoadPictureFromFile(path_Skin + picture))
        Img_VideoPic->ClearPicture();
}

void TMainWindow::FillProfileCombo(int32_t device_type) {
    profile_chooser_->FillProfileCombo(device_type);
}

void TMainWindow::TB_EditClick() {
    profile_chooser_->TB_EditClick();
}

void TMainWindow::StopPreview() {
    if (result_ != nullptr)
        result_->Forget();
    if (preview_ != nullptr)
        preview_->StopPreview();
    else
        ClosePreview();
}

LRESULT TMainWindow::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_CONVERTDONE) {
        ConvertNextClip(static_cast<int>(w));
        return 0;
    }
    if (preview_ == nullptr)
        return 0;
    switch (msg) {
    case WM_PLAYERREADY:
        preview_->PlayerReady();
        break;
    case WM_PREVIEWCLIP:
        preview_->PlaySelectedClip();
        break;
    case WM_CLIPCHANGED:
        preview_->ClipChanged(static_cast<int32_t>(w));
        if (preview_->PreviewClip() == 0)
            result_->Forget();
        break;
    case WM_PLAYEREVENT:
        preview_->PlayerEvent(w, l);
        // The sample played to its end: the button offers a new one.
        if (result_->Current() == ResultToggle::State::Result && !preview_->ShowingResult())
            result_->Forget();
        break;
    case WM_MARKERMOVED:
        preview_->MarkerMoved(w);
        break;
    default:
        break;
    }
    return 0;
}

std::optional<QString> TMainWindow::ChosenProfile() const {
    return ChosenProfileText(ComboBox_OutputSetting->currentIndex(),
                             ComboBox_OutputSetting->currentText());
}

void TMainWindow::TB_ConvertClick() {
    if (!ChosenProfile()) {
        ShowMessageBox(BoxKind::Information, kNoProfileMessage);
        ComboBox_OutputSetting->setFocus();
        return;
    }
    OpenProgressWindow({}, false);
}

void TMainWindow::OpenProgressWindow(const QList<ClipResult> &done, bool start) {
    StopPreview();
    // The clips done count until the run has gone on from them (the window asks for the
    // request before Start too, to tell what the run will make).
    auto first_done = std::make_shared<QList<ClipResult>>(done);
    ProgressWindow->AttachRun(run_, [this, first_done] {
        RunRequest request =
            MakeRunRequest(clips_->Snapshot(), ChosenProfile(), DeviceType, path_Work, b_KeepRatio);
        request.Done = *first_done;
        return request;
    });
    connect(
        run_, &ConversionRun::ClipStarting, this, [first_done] { first_done->clear(); },
        Qt::SingleShotConnection);
    ProgressWindow->ResetProgress();
    if (start)
        QMetaObject::invokeMethod(
            ProgressWindow, [] { ProgressWindow->TB_StartClick(); }, Qt::QueuedConnection);
    ProgressWindow->ShowModal();
}

void TMainWindow::ConvertNextClip(int end_result) {
    run_->ConvertNextClip(end_result);
}

void TMainWindow::showEvent(QShowEvent *event) {
    // Shown by the program, not restored from the task bar.
    if (!event->spontaneous())
        StopPreview();
    TSkinnedForm::showEvent(event);
}

void TMainWindow::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void TMainWindow::FormClose() {
    if (run_ != nullptr)
        run_->Abort(kRunEndWaitMs);
    StopPreview();
    QCoreApplication::quit();
}

void TMainWindow::FormDestroy() {
    // From here on an escaping error is shown in the plain box again.
    error_report_.reset();
    // A running add ends with the file it is reading; nothing of it reaches the list after this.
    clip_adder_.reset();
    preview_.reset();
    if (engine_loaded_) {
        // A normal end leaves nothing to restore, unless a list left behind is still to be
        // offered (the program ended with the question open).
        const bool offer_left = saver_ != nullptr && saver_->Held();
        if (saver_ != nullptr)
            saver_->Flush();
        delete saver_;
        saver_ = nullptr;
        run_->Abort(kRunEndWaitMs);
        delete trials_; // a trial being converted stops before the engine goes
        trials_ = nullptr;
        if (!offer_left)
            keeper_->Remove();
        SaveSettings();
        DestroySkinnedControls();
        UnloadEngine();
        engine_loaded_ = false;
        ClosePreview();
        // The window stops taking messages last.
        delete port_;
        port_ = nullptr;
        DeleteFilesInFolder(path_Snapshot, false);
    }
}
