#include "app/MainWindow.h"

#include "app/Settings.h"
#include "common/Globals.h"
#include "common/MessageBox.h"
#include "common/MessagePort.h"
#include "common/SharedFunctions.h"
#include "engine/EngineBinding.h"
#include "ui/Splash.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <cfenv>

TMainWindow *MainWindow = nullptr;

TMainWindow::TMainWindow() {
    // Arithmetic never traps: a division by zero gives an infinity or NaN.
    fedisableexcept(FE_ALL_EXCEPT);
    setObjectName("MainWindow");
    setFixedSize(792, 566);
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
    InitWindowState();
    started_up_ = true;
}

void TMainWindow::InitWindowState() {
    AddingFiles = false;
    ErrorCount = 0;
    LoadSettings();
    EnsureFolders();
}

bool TMainWindow::LoadSkinsAndDefaults() {
    g_s_Version = "2.1.3 Build on 20070421";
    g_s_ApplicationTitle = "Mavo iPod Converter";
    return true;
}

LRESULT TMainWindow::HandleMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void TMainWindow::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void TMainWindow::FormClose() {
    QCoreApplication::quit();
}

void TMainWindow::FormDestroy() {
    if (engine_loaded_) {
        SaveSettings();
        delete port_;
        port_ = nullptr;
        UnloadEngine();
        engine_loaded_ = false;
    }
    DeleteFilesInFolder(path_Snapshot, false);
}
