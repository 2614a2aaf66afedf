#pragma once
// The progress window, from which a run is started, watched and stopped.

#include "engine/ConversionRun.h"
#include "engine/EngineReports.h"
#include "skin/SkinnedForm.h"
#include <QColor>

#include <QElapsedTimer>
#include <QPointer>
#include <functional>

class QLabel;
class QLineEdit;
class TDynamicImageButton;
class TImage;

// A bar picture 280 pixels wide at this left edge lies wholly left of the panel.
inline constexpr int kBarOffset = -280;

inline constexpr const char *kConvertingNowMessage = "Converting clips now!\nPlease stop it first!";
inline constexpr const char *kStoppedMessage = "Stop converting process by user!";

// What a run is started from, asked of the main window when Start is pressed.
using RunHost = std::function<RunRequest()>;

// Shows the output folder in the file manager (through OpenAddress, which tests watch).
void OpenOutputFolder(const QString &folder);

class TProgressWindow : public TSkinnedForm {
    Q_OBJECT
public:
    TProgressWindow();

    void AttachRun(ConversionRun *run, RunHost host);
    ConversionRun *Run() const { return run_; }

    // Puts the window back to rest before a run: the clip's details empty, the bars at the start.
    void ResetProgress();
    void SetProgress(int32_t percent);
    void ShowClipInfo(const TConvertDef &job);
    void ParseEngineInfo(const QString &text);
    void RunFinished(const RunSummary &summary);

    void TB_StartClick();
    void TB_StopClick();
    void TB_CloseClick();
    void TB_BrowseClick();

    bool Converting() const { return run_ != nullptr && run_->Converting(); }
    int32_t ClipStart = 0;
    int32_t ClipLength = 0;

    QLineEdit *Edit_WorkingFolder = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label_SrcName = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label_DesName = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label_StartTime = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label_StopTime = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label_Length = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label_CurrentTime = nullptr;
    QWidget *Panel_Progress = nullptr;
    QLabel *Label_CP = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label_TP = nullptr;
    QLabel *Label9 = nullptr;

    // Skinned controls.
    TImage *Img_Background = nullptr;
    TImage *Img_Progress = nullptr;
    TImage *Img_CP = nullptr;
    TImage *Img_TP = nullptr;
    TDynamicImageButton *TB_Start = nullptr;
    TDynamicImageButton *TB_Stop = nullptr;
    TDynamicImageButton *TB_Close = nullptr;
    TDynamicImageButton *TB_Browse = nullptr;

    // How fast the run goes and how long the rest will take.
    QLabel *Label_Speed = nullptr;
    QLabel *Label_TimeLeft = nullptr;
    // Says when the output folder could not be made and the default one is used instead, and
    // after a run which clips could not be converted.
    QLabel *Label_Note = nullptr;
    // Before Start: "12 clips, 1.4 GB, about 9 minutes; 30 GB free", or why the files will not
    // fit.
    QLabel *Label_Forecast = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateSkinnedControls();
    void CreateRunLabels(const QFont &font);
    void ShowNote(const QString &text, QRgb colour);
    void ShowButtons(bool converting);
    // The clip's details and the bars from the run as it stands; the note stays.
    void ClearDisplay();
    void ShowSpeed();
    void ShowStartOutcome(const RunOutcome &outcome, const QString &chosen);
    void ShowRunForecast();

    QPointer<ConversionRun> run_;
    RunHost host_;
    RunSpeedometer speed_;
    QElapsedTimer clock_;
};

extern TProgressWindow *ProgressWindow;
