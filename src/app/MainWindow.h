#pragma once
// The main window: clip list, preview and profile choice. Its creation loads the engine and its
// destruction puts everything away again.

#include "ui/SkinnedForm.h"

#include <winmsg.h>

class MessagePort;
class QComboBox;

class TMainWindow : public TSkinnedForm {
    Q_OBJECT
public:
    TMainWindow();
    ~TMainWindow() override;

    // The handle the engine and the player post to.
    HWND Handle() const;

    // False after a start-up step failed; the program then ends.
    bool StartedUp() const { return started_up_; }

    bool LoadSkinsAndDefaults();

    // Controls of the form.
    QWidget *Panel_Preview = nullptr;
    QComboBox *ComboBox_OutputSetting = nullptr;

    QString OutputExt;
    QString OutputFormat;
    bool AddingFiles = false;
    int ErrorCount = 0;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormClose();
    void InitWindowState();
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l);

    MessagePort *port_ = nullptr;
    bool started_up_ = false;
    bool engine_loaded_ = false;
};

extern TMainWindow *MainWindow;

// The message shown when the engine cannot be loaded.
inline constexpr const char *kEngineLoadError =
    "Can not load Clipmorph function!\nPlease re-install this program!\nEXIT!";
