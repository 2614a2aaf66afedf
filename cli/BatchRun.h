#pragma once
// A batch run of mavo-convert: every file is looked at by the engine, the readable ones are
// converted one after another by the program's own conversion run, and each clip's end is
// reported as it happens: a line for people, or one JSON object a line for scripts.

#include "BatchOptions.h"
#include "engine/ConversionRun.h"
#include "engine/EngineReports.h"
#include "engine/RunForecast.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QTextStream>
#include <optional>

struct BatchOutput {
    bool Json = false;
    bool Quiet = false;
    bool LiveProgress = false; // redraw one status line in place (standard error is a terminal)
    int32_t SampleSeconds = 0; // convert only this many seconds around each clip's middle
};

// The part of a clip of `length` seconds a sample converts: `seconds` around its middle, as
// NAME-sample.
ClipSource SampleOf(ClipSource clip, int32_t length, int32_t seconds);

struct ClipReport {
    QString Source;
    QString Output; // empty unless the clip became a file
    ClipOutcome Outcome = ClipOutcome::Failed;
    QString Reason;
    double Seconds = 0;
    QString Plays; // the file read back against its device; empty when there was no file
    // The written picture's colour ("primaries", "transfer", "matrix", "range"), and what was
    // done on the way; empty without a file.
    QJsonObject Colour;
    bool ToneMapped = false;
    bool Deinterlaced = false;
};

// The colour of a written file and what became of its source's picture, read back through the
// loaded engine.
void DescribePicture(const QString &source, const QString &output, ClipReport &report);

// "converted", "failed", "stopped".
QString OutcomeName(ClipOutcome outcome);
QByteArray ClipReportJson(const ClipReport &report);

// Exit statuses of the command.
// Why --audio cannot be met: the first file without the wanted sound track, with the tracks it
// has; nothing when every file has it (or the engine cannot tell).
std::optional<QString> MissingSoundTrack(const QStringList &files, const QString &wanted);

inline constexpr int kExitConverted = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

class BatchRun : public QObject {
    Q_OBJECT
public:
    // The engine must be loaded and initialised.
    BatchRun(BatchJob job, BatchOutput output, QObject *parent = nullptr);
    ~BatchRun() override;

    // Converts the files and returns the exit status.
    int Run(const QStringList &files);
    // Ctrl-C: the clip in progress ends, its partial output goes, and no further clip starts.
    void RequestStop();

private:
    QList<ClipSource> LookAtFiles(const QStringList &files);
    // False, with the reason told, when the output folder has no room for the files.
    bool RoomForFiles();
    void OnClipStarting();
    void OnStatusLine(const QString &text);
    void EndClip(const ClipResult &result);
    void Report(const ClipReport &report);
    void ClearLiveLine();

    BatchJob job_;
    BatchOutput output_;
    QTextStream out_;
    QTextStream err_;
    ConversionRun *run_ = nullptr;
    bool stop_requested_ = false;
    bool failures_ = false;
    bool live_line_shown_ = false;
    int32_t reported_ = 0; // clips of the conversion run already reported
    QElapsedTimer clip_clock_;
    QElapsedTimer run_clock_;
    double list_seconds_ = 0; // length of every clip of the run
    double done_seconds_ = 0; // length of the clips that have ended
    double clip_seconds_ = 0; // length of the clip in progress
    double position_ = 0;     // converted of it
    RunSpeedometer speed_;
    RunForecast forecast_; // of the readable clips, before the run
    SpeedRecord speed_record_ = SpeedRecord::Read();
};
