#pragma once
// The main window: clip list, preview and profile choice. Its creation loads the engine and its
// destruction puts everything away again.

#include "skin/SkinnedForm.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <winmsg.h>

struct AddedClip;
class ClipAdder;
class ClipList;
class ListKeeper;
class ListRestore;
struct RestoreWindow;
class ListSaver;
struct ClipResult;
class ConversionRun;
class DeviceMenu;
class ErrorReport;
class MessagePort;
class PreviewController;
class ProfileChooser;
class QComboBox;
class QPushButton;
class ResultToggle;
class SizeTrials;
class QMenu;
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

    // The device the clips are converted for: its profiles fill ComboBox_OutputSetting, its
    // picture shows in the preview panel, and OutputExt and OutputFormat become its own.
    void SelectDevice(int32_t device_type);
    // The list answers the user's choice itself (ProfileChooser::ComboBox_OutputSettingChange).
    void FillProfileCombo(int32_t device_type);
    void TB_EditClick();
    // Opens the progress window, from which the clips of the list are converted.
    void TB_ConvertClick();
    // Opens the progress window for the list; the run goes on after the clips done, and starts
    // at once with start.
    void OpenProgressWindow(const QList<ClipResult> &done, bool start);
    // Adds files as the file dialog does.
    void AddFiles(const QStringList &files);
    // After a crash: offers the list the program left behind.
    void OfferRestore();
    // The engine ended the clip it was given last.
    void ConvertNextClip(int end_result);
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
    // Adds files and folders as a drop of them does (files opened with the program, too).
    void AddDroppedFiles(const QStringList &paths);
    PreviewController *Preview() const { return preview_.get(); }
    // The clips of the list.
    ClipList *Clips() const { return clips_; }

    // Controls of the form.
    QWidget *Panel_Preview = nullptr;
    QComboBox *ComboBox_OutputSetting = nullptr;
    // The labelled choice of the device beside the profile; the picture's menu does the same.
    QComboBox *ComboBox_Device = nullptr;

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
    QPushButton *TB_Result = nullptr;
    TDynamicImageButton *TB_Min = nullptr;
    TDynamicImageButton *TB_Help = nullptr;
    TDynamicImageButton *TB_AddFile = nullptr;
    TDynamicImageButton *TB_DelFile = nullptr;
    TDynamicImageButton *TB_Edit = nullptr;
    TDynamicImageButton *TB_Convert = nullptr;
    TImage *Img_VideoPic = nullptr;
    QTimer *PositionTimer = nullptr;
    QMenu *HelpMenu = nullptr; // built on first use

    QString OutputExt;
    QString OutputFormat;
    int32_t DeviceType = 2; // the iPod until a device is selected
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
    void HookListSaving();
    // The window's part of a restore: its questions, choices, adds and run.
    RestoreWindow RestoreHooks();
    // Files handed over while the list is busy (an add, a restore, a run) join it after.
    void AddWaitingFiles();
    // The list's entries show each clip's predicted file for the chosen device and profile.
    void HookForecasts();
    // The Result button beside the preview: a converted sample in the source's place.
    void HookResult();
    // Shortcuts, the keyboard's way through the controls in the order they are seen, and the
    // names screen readers give them.
    void HookKeyboard();
    void ShowKeysInHints();
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l);
    void ShowHelpMenu();
    // The profile text of the list's entry; nothing when no profile is chosen.
    std::optional<QString> ChosenProfile() const;

    MessagePort *port_ = nullptr;
    std::unique_ptr<ErrorReport> error_report_;
    ProfileChooser *profile_chooser_ = nullptr;
    DeviceMenu *device_menu_ = nullptr;
    ConversionRun *run_ = nullptr;
    ClipList *clips_ = nullptr;
    std::unique_ptr<ListKeeper> keeper_;
    ListSaver *saver_ = nullptr;
    ListRestore *restore_ = nullptr;
    std::unique_ptr<ClipAdder> clip_adder_;
    QStringList waiting_files_;
    std::unique_ptr<PreviewController> preview_;
    ResultToggle *result_ = nullptr;
    SizeTrials *trials_ = nullptr; // the list's clips measured in the background
    bool started_up_ = false;
    bool engine_loaded_ = false;
};

extern TMainWindow *MainWindow;

// The message shown when the engine cannot be loaded.
inline constexpr const char *kEngineLoadError =
    "Can not load Clipmorph function!\nPlease re-install this program!\nEXIT!";
