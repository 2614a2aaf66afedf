#pragma once
// The main window: clip list, preview and profile choice. Its creation loads the engine and its
// destruction puts everything away again.

#include "ui/SkinnedForm.h"

#include <memory>
#include <winmsg.h>

struct AddedClip;
class ClipAdder;
class MessagePort;
class PreviewController;
class QComboBox;
class QTimer;
class TCheckImageButton;
class TDynamicImageButton;
class TFixProgress;
class TImage;
class TListPanel;

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

    // Closes the preview and shows the device picture again.
    void StopPreview();

    // Button handlers of the clip list and the preview.
    void TB_AddFileClick();
    void TB_DelFileClick();
    void TB_PlayClick();
    void TB_StopClick();
    void TB_PauseClick();
    void TB_NextClick();
    void TB_PreviousClick();
    void TB_AS_KeepClick();
    void TB_CloseClick();
    // Makes the list entry of a clip that was read (user-interface thread).
    void AddClipEntry(const AddedClip &clip);
    ClipAdder *Adder() const { return clip_adder_.get(); }
    PreviewController *Preview() const { return preview_.get(); }

    // Controls of the form.
    QWidget *Panel_Preview = nullptr;
    QComboBox *ComboBox_OutputSetting = nullptr;

    // Skinned controls, created at run time in this order.
    TListPanel *TP_ImageList = nullptr;
    TImage *Img_Background = nullptr;
    TDynamicImageButton *TB_Play = nullptr;
    TDynamicImageButton *TB_Stop = nullptr;
    TDynamicImageButton *TB_Pause = nullptr;
    TDynamicImageButton *TB_Next = nullptr;
    TDynamicImageButton *TB_Previous = nullptr;
    TFixProgress *TP_Progress = nullptr;
    TDynamicImageButton *TB_Close = nullptr;
    TCheckImageButton *TB_AS_Keep = nullptr;
    TDynamicImageButton *TB_Min = nullptr;
    TDynamicImageButton *TB_Help = nullptr;
    TDynamicImageButton *TB_AddFile = nullptr;
    TDynamicImageButton *TB_DelFile = nullptr;
    TDynamicImageButton *TB_Edit = nullptr;
    TDynamicImageButton *TB_Convert = nullptr;
    TImage *Img_VideoPic = nullptr;
    QTimer *PositionTimer = nullptr;

    QString OutputExt;
    QString OutputFormat;
    bool AddingFiles = false;
    int ErrorCount = 0;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormClose();
    void InitWindowState();
    void CreateSkinnedControls();
    void DestroySkinnedControls();
    void HookEvents();
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l);

    MessagePort *port_ = nullptr;
    std::unique_ptr<ClipAdder> clip_adder_;
    std::unique_ptr<PreviewController> preview_;
    bool started_up_ = false;
    bool engine_loaded_ = false;
};

extern TMainWindow *MainWindow;

// The message shown when the engine cannot be loaded.
inline constexpr const char *kEngineLoadError =
    "Can not load Clipmorph function!\nPlease re-install this program!\nEXIT!";
