#include "app/MainWindow.h"

#include "app/ClipAdder.h"
#include "app/Settings.h"
#include "common/Globals.h"
#include "common/MessageBox.h"
#include "common/MessagePort.h"
#include "common/SharedFunctions.h"
#include "controls/ControlMessages.h"
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "controls/TImage.h"
#include "engine/EngineBinding.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPlayer.h"
#include "profiles/ProfileWindow.h"
#include "progress/ProgressWindow.h"
#include "skin/SkinLoader.h"
#include "ui/Splash.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <cfenv>

TMainWindow *MainWindow = nullptr;

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
    ComboBox_OutputSetting->setGeometry(24, 358, 497, 21);
    ComboBox_OutputSetting->setFont(FormFont("Tahoma", -11));
    ComboBox_OutputSetting->setStyleSheet("QComboBox { background-color: #a0a0a0; }");

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
}

void TMainWindow::HookEvents() {
    connect(TB_Close, &TImageButton::Click, this, &TMainWindow::TB_CloseClick);
    connect(TB_Min, &TImageButton::Click, this, [this] { showMinimized(); });
    clip_adder_ = std::make_unique<ClipAdder>(
        AddingFiles, [this](const AddedClip &clip) { AddClipEntry(clip); });
    SetPreviewEventPort(port_);
    preview_ = std::make_unique<PreviewController>(
        PreviewControls{TP_ImageList, TP_Progress, Img_VideoPic, Panel_Preview, PositionTimer});
    connect(TB_Play, &TImageButton::Click, this, &TMainWindow::TB_PlayClick);
    connect(TB_Stop, &TImageButton::Click, this, &TMainWindow::TB_StopClick);
    connect(TB_Pause, &TImageButton::Click, this, &TMainWindow::TB_PauseClick);
    connect(TB_Next, &TImageButton::Click, this, &TMainWindow::TB_NextClick);
    connect(TB_Previous, &TImageButton::Click, this, &TMainWindow::TB_PreviousClick);
    connect(TB_AS_Keep, &TImageButton::Click, this, &TMainWindow::TB_AS_KeepClick);
    connect(TB_AddFile, &TImageButton::Click, this, &TMainWindow::TB_AddFileClick);
    connect(TB_DelFile, &TImageButton::Click, this, &TMainWindow::TB_DelFileClick);
}

void TMainWindow::TB_AddFileClick() {
    if (AddingFiles)
        return;
    const QStringList files = ChooseClipFiles(this);
    // The part of the window the dialog covered is drawn again before the clips are read.
    repaint();
    clip_adder_->Add(files, ErrorCount);
}

void TMainWindow::AddClipEntry(const AddedClip &clip) {
    auto *item = new Image_Item(TP_ImageList);
    const ClipInfoRecord info = clip.Record();
    if (item->SetClipInfo(&info, &clip.picture))
        TP_ImageList->AddItem(item);
    else
        delete item;
}

void TMainWindow::TB_DelFileClick() {
    TP_ImageList->RemoveSelected();
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
    b_KeepRatio = TB_AS_Keep->Checked;
    preview_->KeepRatioChanged();
}

void TMainWindow::TB_CloseClick() {
    TP_ImageList->ClearItems();
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
    // The drop ends first; the clips are read once the file manager has its answer.
    const QStringList files = FilesToAdd(LocalPaths(event->mimeData()->urls()));
    QMetaObject::invokeMethod(
        this, [this, files] { clip_adder_->Add(files, ErrorCount); }, Qt::QueuedConnection);
}

bool TMainWindow::LoadSkinsAndDefaults() {
    if (!ApplySkin(this, path_Skin) || !ApplySkin(ProgressWindow, path_Skin) ||
        !ApplySkin(ProfileWindow, path_Skin))
        return false;
    g_s_Version = "2.1.3 Build on 20070421";
    TB_AS_Keep->SetChecked(b_KeepRatio);
    g_s_ApplicationTitle = "Mavo iPod Converter";
    return true;
}

void TMainWindow::StopPreview() {
    if (preview_ != nullptr)
        preview_->StopPreview();
    else
        ClosePreview();
}

LRESULT TMainWindow::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
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
        preview_->ClipChanged(reinterpret_cast<Image_Item *>(w));
        break;
    case WM_PLAYEREVENT:
        preview_->PlayerEvent(w, l);
        break;
    case WM_MARKERMOVED:
        preview_->MarkerMoved(w);
        break;
    default:
        break;
    }
    return 0;
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
    StopPreview();
    QCoreApplication::quit();
}

void TMainWindow::FormDestroy() {
    // A running add ends with the file it is reading; nothing of it reaches the list after this.
    clip_adder_.reset();
    preview_.reset();
    if (engine_loaded_) {
        SaveSettings();
        DestroySkinnedControls();
        UnloadEngine();
        engine_loaded_ = false;
        ClosePreview();
        // The window stops taking messages last.
        delete port_;
        port_ = nullptr;
    }
    DeleteFilesInFolder(path_Snapshot, false);
}
