#pragma once
// A conversion run: the clips of the list, taken when the run starts, handed to the engine one
// after another. The engine's end-of-clip message steps the run (ConvertNextClip); each clip's
// end is judged by one rule, and at the end the run says which clips became files and which did
// not, and why.

#include "engine/JobArguments.h"
#include "engine/SpeedRecord.h"
#include "engine/UnfinishedOutput.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>
#include <vector>
#include <winmsg.h>

enum class ClipOutcome { Pending, Finished, Stopped, Failed };

struct ClipResult {
    QString Source;
    QString Output;
    ClipOutcome Outcome = ClipOutcome::Pending;
    QString Reason; // why a clip failed
    QString Plays;  // the file read back: "plays on iPod", or what its device cannot play
};

// How a clip ended and what follows from it.
struct ClipVerdict {
    ClipOutcome Outcome = ClipOutcome::Failed;
    bool DeleteOutput = false; // only a stopped clip's partial file goes
    bool RunGoesOn = false;
};

// end_result: the engine's end-of-clip result (0 finished, 1 stopped, 2 failed), or nothing
// when the engine never took the clip.
ClipVerdict JudgeClipEnd(std::optional<int> end_result, bool stop_requested);

struct RunSummary {
    bool Stopped = false;
    QList<ClipResult> Results; // one per clip of the run, in list order
    int FailedCount() const;
    int FinishedCount() const;
    // Names every failed clip with its reason; empty when none failed.
    QString FailureText() const;
    // The same in one line: "1 of 3 clips could not be converted: party.avi".
    QString FailureLine() const;
    // When every clip became a file its device plays: "Every file was read back: plays on iPod".
    QString PlaysLine() const;
};

inline constexpr const char *kNoProfileMessage = "Please select a Output Porfiles!";
inline constexpr const char *kNoClipMessage =
    "No clip to convert!\nPlease add clip to list, then convert it!";
inline constexpr const char *kNoFolderMessage = "Can not create output folder!";
inline constexpr const char *kNothingToConvert = "nothing to convert";

// What a run is started from.
struct RunRequest {
    QList<ClipSource> Clips;    // the list as it is now
    bool ProfileChosen = false; // an entry that is a profile is selected
    // The chosen profile's settings; nothing when its text cannot be read.
    std::optional<ProfileSettings> Profile;
    QString Folder; // the output folder in use
    bool KeepRatio = false;
    // How the first clips ended in an earlier run that was cut; the run goes on after them.
    QList<ClipResult> Done;
};

enum class RunStart { Started, NoFolder, NoProfile, UnreadableProfile, NoClips, NoSpace };

// How a start went. The folder is checked first: when it cannot be had the run works in the
// default folder, and says so.
struct RunOutcome {
    RunStart Start = RunStart::NoClips;
    bool FolderFellBack = false;
    QString Folder; // the folder the run writes to
    QString Detail; // NoSpace: what the files need and what the folder has
};

// A request for the clips with the chosen profile text (nothing when none is chosen).
RunRequest MakeRunRequest(QList<ClipSource> clips, const std::optional<QString> &profile_text,
                          int32_t device_type, const QString &folder, bool keep_ratio);

// Why the engine's convert entry refused a clip, from what it answered (not 0).
QString EngineRefusal(int taken);

// The text the window shows for a start that did not happen; empty for Started.
QString RunStartMessage(RunStart start);

class ConversionRun : public QObject {
    Q_OBJECT
public:
    explicit ConversionRun(QObject *parent = nullptr);
    ~ConversionRun() override;

    // Where the engine posts its end-of-clip message.
    void SetWindow(HWND window) { window_ = window; }

    // Checks the request's folder, profile and clips, in that order, and prepares clip 0; the
    // engine gets it from StartClip.
    RunOutcome Begin(const RunRequest &request);
    // Takes the clips and prepares the first one after those done; false, with nothing started,
    // when no clip is left.
    bool Begin(QList<ClipSource> clips, const ProfileSettings &profile, const QString &work_folder,
               bool keep_ratio, const QList<ClipResult> &done = {});
    // Hands the prepared clip to the engine.
    void StartClip();
    // The engine's end-of-clip message with its result.
    void ConvertNextClip(int end_result);
    // The user's stop: the clip in progress ends soon and the run with it.
    void RequestStop();
    // The program ends: stops the engine and waits up to timeout_ms for the clip's end, which is
    // judged as usual but announced to nobody. True when the run is over.
    bool Abort(int timeout_ms);

    bool Converting() const { return converting_; }
    bool StopRequested() const { return stop_requested_; }
    int32_t CurrentClipIndex() const { return current_; }
    void ResetIndex() { current_ = 0; }
    int32_t ClipCount() const { return static_cast<int32_t>(clips_.size()); }
    // Seconds of the clips after the current one.
    double SecondsAfterCurrent() const;
    // The conversion time of the current clip and those after it, at the recorded speed.
    double ExpectedSecondsLeft() const;
    // The whole list's percentage when the current clip is at clip_percent; 0 to 100.
    int32_t WholePercent(int32_t clip_percent) const;
    // Whether the folder is to be shown to the user after this run: it went through to the end
    // and at least one clip became a file.
    static bool ShowFolderAfter(const RunSummary &summary);
    const QList<ClipResult> &Results() const { return results_; }
    // The engine's speed on this machine: the caller's kept record, refined by every clip of
    // this run that finishes (the pixels of its file over its time). The caller keeps it.
    void SetSpeedRecord(const SpeedRecord &speed) { speed_ = speed; }
    const SpeedRecord &Speed() const { return speed_; }
    const QString &WorkFolder() const { return work_folder_; }
    // A run that gives the engine up, stopped without a word, when another run hands it a clip
    // (the list's size trials give way to the user's conversions and samples).
    void SetYielding(bool yielding) { yielding_ = yielding; }
    // Whether a run of this program has a clip in the engine (it converts one at a time).
    static bool EngineBusy();

    TConvertDef MyConvertDef;

signals:
    void ClipStarting(const TConvertDef &job);
    void StatusLine(const QString &text);
    void RunFinished(const RunSummary &summary);

private:
    bool PrepareClip(int32_t index);
    void OnLine(quint64 serial, const QString &text);
    void EndClip(std::optional<int> end_result);
    void EndWithoutEngine(const QString &reason);
    void JudgeOutput(ClipResult &result);
    void Finish();
    void TakeEngine();

    static ConversionRun *engine_user_; // the run that last handed the engine a clip
    bool yielding_ = false;
    HWND window_ = nullptr;
    QList<ClipSource> clips_;
    ProfileSettings profile_;
    QString work_folder_;
    bool keep_ratio_ = false;
    QList<ClipResult> results_;
    int32_t current_ = 0;
    bool converting_ = false;
    bool stop_requested_ = false;
    bool awaiting_end_ = false; // the engine took the current clip and has not ended it
    bool quiet_ = false;
    uint64_t serial_ = 0;
    bool output_seen_ = false; // the engine has reported on the current clip
    UnfinishedOutputNote note_;
    SpeedRecord speed_;
    QElapsedTimer clip_clock_; // from the engine taking the clip
    QByteArrayList arguments_; // kept unchanged until the engine ends the clip
    std::vector<char *> argv_;
};
