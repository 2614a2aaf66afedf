#include "engine/ConversionRun.h"

#include "common/Globals.h"
#include "common/SharedFunctions.h"
#include "engine/DeviceJob.h"
#include "engine/EngineBinding.h"
#include "engine/EngineReports.h"
#include "engine/PlayCheck.h"
#include "engine/RunForecast.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace {
constexpr const char *kNoReason = "the engine gave no reason";
// How long a yielding run is given to leave the engine to a run that needs it.
constexpr int kYieldWaitMs = 5000;

} // namespace

ClipVerdict JudgeClipEnd(std::optional<int> end_result, bool stop_requested) {
    ClipVerdict verdict;
    verdict.RunGoesOn = !stop_requested;
    if (!end_result)
        return verdict; // never taken: failed, and there is no file of ours to delete
    switch (*end_result) {
    case 0:
        // Finished before the stop arrived: the file is whole and stays.
        verdict.Outcome = ClipOutcome::Finished;
        break;
    case 1:
        verdict.Outcome = ClipOutcome::Stopped;
        verdict.DeleteOutput = true;
        break;
    default:
        // The engine has removed what it wrote.
        verdict.Outcome = ClipOutcome::Failed;
        break;
    }
    return verdict;
}

int RunSummary::FailedCount() const {
    return static_cast<int>(std::count_if(Results.begin(), Results.end(), [](const auto &r) {
        return r.Outcome == ClipOutcome::Failed;
    }));
}

int RunSummary::FinishedCount() const {
    return static_cast<int>(std::count_if(Results.begin(), Results.end(), [](const auto &r) {
        return r.Outcome == ClipOutcome::Finished;
    }));
}

QString RunSummary::FailureText() const {
    const int failed = FailedCount();
    if (failed == 0)
        return {};
    QString text =
        QStringLiteral("%1 of %2 clips could not be converted:\n").arg(failed).arg(Results.size());
    for (const ClipResult &result : Results)
        if (result.Outcome == ClipOutcome::Failed)
            text += QStringLiteral("\n%1: %2").arg(FilePart(result.Source), result.Reason);
    return text;
}

QString RunSummary::FailureLine() const {
    QStringList names;
    for (const ClipResult &result : Results)
        if (result.Outcome == ClipOutcome::Failed)
            names << FilePart(result.Source);
    if (names.isEmpty())
        return {};
    return QStringLiteral("%1 of %2 clips could not be converted: %3")
        .arg(names.size())
        .arg(Results.size())
        .arg(names.join(QStringLiteral(", ")));
}

QString RunSummary::PlaysLine() const {
    QStringList verdicts;
    for (const ClipResult &result : Results) {
        if (result.Outcome != ClipOutcome::Finished || result.Plays.isEmpty())
            return {};
        if (!verdicts.contains(result.Plays))
            verdicts << result.Plays;
    }
    if (verdicts.isEmpty())
        return {};
    return QStringLiteral("Every file was read back: %1").arg(verdicts.join(QStringLiteral(", ")));
}

RunRequest MakeRunRequest(QList<ClipSource> clips, const std::optional<QString> &profile_text,
                          int32_t device_type, const QString &folder, bool keep_ratio) {
    RunRequest request;
    request.Clips = std::move(clips);
    request.ProfileChosen = profile_text.has_value();
    if (profile_text)
        request.Profile = DeviceProfileSettings(*profile_text, device_type);
    request.Folder = folder;
    request.KeepRatio = keep_ratio;
    return request;
}

QString EngineRefusal(int taken) {
    const QString refused = QStringLiteral("the engine did not take the clip");
    switch (taken) {
    case 1:
        return refused + QStringLiteral(": it is busy with another conversion");
    case 2:
        return refused + QStringLiteral(": its argument list was malformed");
    default:
        return refused + QStringLiteral(" (it answered %1)").arg(taken);
    }
}

QString RunStartMessage(RunStart start) {
    switch (start) {
    case RunStart::Started:
        return {};
    case RunStart::NoFolder:
        return kNoFolderMessage;
    case RunStart::NoProfile:
        return kNoProfileMessage;
    case RunStart::UnreadableProfile:
        return QStringLiteral("The chosen profile cannot be used: its resolution is not given "
                              "as width x height.\nPlease edit the profile or choose another.");
    case RunStart::NoClips:
        return kNoClipMessage;
    case RunStart::NoSpace:
        return QStringLiteral("The converted files will not fit in the output folder; nothing "
                              "was converted.");
    }
    return {};
}

ConversionRun::ConversionRun(QObject *parent) : QObject(parent) {
    connect(EngineReportQueue::Instance(), &EngineReportQueue::Line, this, &ConversionRun::OnLine);
}

ConversionRun *ConversionRun::engine_user_ = nullptr;

ConversionRun::~ConversionRun() {
    if (engine_user_ == this)
        engine_user_ = nullptr;
}

bool ConversionRun::EngineBusy() {
    return engine_user_ != nullptr && engine_user_->awaiting_end_;
}

void ConversionRun::TakeEngine() {
    if (engine_user_ != nullptr && engine_user_ != this && engine_user_->awaiting_end_ &&
        engine_user_->yielding_)
        engine_user_->Abort(kYieldWaitMs);
    engine_user_ = this;
}

RunOutcome ConversionRun::Begin(const RunRequest &request) {
    RunOutcome outcome;
    outcome.Folder = request.Folder;
    switch (EnsureOutputFolder(outcome.Folder)) {
    case FolderState::Ready:
        break;
    case FolderState::FellBack:
        outcome.FolderFellBack = true;
        break;
    case FolderState::Unavailable:
        outcome.Start = RunStart::NoFolder;
        return outcome;
    }
    RegisterEngineReports();
    if (!request.ProfileChosen)
        outcome.Start = RunStart::NoProfile;
    else if (!request.Profile)
        outcome.Start = RunStart::UnreadableProfile;
    else if (const SpaceVerdict space = JudgeSpace(
                 ForecastRun(request.Clips.mid(std::min(request.Done.size(), request.Clips.size())),
                             *request.Profile, speed_),
                 FolderFreeBytes(outcome.Folder));
             !space.Fits) {
        // Refused before anything is written: a disc filling up halfway would cut a clip.
        outcome.Start = RunStart::NoSpace;
        outcome.Detail = space.Text;
    } else if (Begin(request.Clips, *request.Profile, outcome.Folder, request.KeepRatio,
                     request.Done))
        outcome.Start = RunStart::Started;
    return outcome;
}

bool ConversionRun::Begin(QList<ClipSource> clips, const ProfileSettings &profile,
                          const QString &work_folder, bool keep_ratio,
                          const QList<ClipResult> &done) {
    if (converting_)
        return false;
    clips_ = std::move(clips);
    profile_ = profile;
    work_folder_ = work_folder;
    keep_ratio_ = keep_ratio;
    results_.clear();
    for (const ClipSource &clip : clips_)
        results_.append({clip.FileName, {}, ClipOutcome::Pending, {}, {}});
    const qsizetype first = std::min(done.size(), results_.size());
    for (qsizetype i = 0; i < first; ++i)
        results_[i] = done[i];
    quiet_ = false;
    note_.SetFolder(UnfinishedOutputFolder());
    if (!PrepareClip(static_cast<int32_t>(first)))
        return false;
    stop_requested_ = false;
    converting_ = true;
    return true;
}

bool ConversionRun::PrepareClip(int32_t index) {
    if (index < 0 || index >= clips_.size())
        return false;
    MyConvertDef = PrepareDeviceClip(clips_[index], profile_, work_folder_, keep_ratio_);
    results_[index].Output = MyConvertDef.Output;
    current_ = index;
    return true;
}

void ConversionRun::StartClip() {
    ++serial_;
    SetReportingClip(serial_);
    emit ClipStarting(MyConvertDef);
    if (MyConvertDef.Length <= 0) {
        // Nothing is handed over: an empty file is no conversion.
        EndWithoutEngine(kNothingToConvert);
        return;
    }
    arguments_.clear();
    argv_.clear();
    for (const QString &text : EngineArguments(MyConvertDef))
        arguments_.append(text.toUtf8());
    for (QByteArray &text : arguments_)
        argv_.push_back(text.data());
    // Noted before the engine can make the file: a kill from here on leaves no partial file.
    note_.Begin(MyConvertDef.Output);
    output_seen_ = false;
    TakeEngine();
    const int taken = DllConvert(window_, static_cast<int>(argv_.size()), argv_.data());
    if (taken != 0) {
        note_.End();
        EndWithoutEngine(EngineRefusal(taken));
        return;
    }
    awaiting_end_ = true;
    clip_clock_.start();
}

void ConversionRun::EndWithoutEngine(const QString &reason) {
    results_[current_].Reason = reason;
    // Still one step per message: the run goes on from the event loop, as after the engine.
    const uint64_t serial = serial_;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial == serial_ && converting_ && !awaiting_end_)
                EndClip(std::nullopt);
        },
        Qt::QueuedConnection);
}

void ConversionRun::ConvertNextClip(int end_result) {
    // Only the clip the engine took can end; anything else is not ours.
    if (!awaiting_end_)
        return;
    awaiting_end_ = false;
    EndClip(end_result);
}

void ConversionRun::EndClip(std::optional<int> end_result) {
    const ClipVerdict verdict = JudgeClipEnd(end_result, stop_requested_);
    ClipResult &result = results_[current_];
    result.Outcome = verdict.Outcome;
    if (verdict.Outcome == ClipOutcome::Failed && result.Reason.isEmpty())
        result.Reason = kNoReason;
    if (verdict.DeleteOutput && !result.Output.isEmpty())
        QFile::remove(result.Output);
    if (result.Outcome == ClipOutcome::Finished)
        JudgeOutput(result);
    note_.End();
    if (verdict.RunGoesOn && PrepareClip(current_ + 1)) {
        StartClip();
        return;
    }
    Finish();
}

// A file its device cannot play is no finished clip: it fails, and stays for the user to see.
void ConversionRun::JudgeOutput(ClipResult &result) {
    MediaFacts facts{};
    if (DllGetMediaFacts == nullptr ||
        DllGetMediaFacts(result.Output.toUtf8().constData(), &facts) != 0)
        facts.readable = 0;
    // The pixels the encoder made, over the time the clip took.
    const double pixels = double(facts.width) * facts.height * (facts.fps_milli / 1000.0) *
                          (facts.duration_ms / 1000.0);
    if (clip_clock_.isValid())
        speed_.Observe(profile_.VideoCodec, pixels, clip_clock_.elapsed() / 1000.0);
    const std::optional<DeviceRow> device = DeviceRowFor(profile_.DeviceType);
    if (!device)
        return;
    const PlayVerdict verdict = JudgePlayback(facts, *device, profile_.KeepsHdr);
    result.Plays = verdict.Text;
    if (verdict.Plays)
        return;
    result.Outcome = ClipOutcome::Failed;
    result.Reason =
        QStringLiteral("%1; the file is kept: %2").arg(verdict.Text, FilePart(result.Output));
}

void ConversionRun::Finish() {
    converting_ = false;
    if (quiet_)
        return;
    RunSummary summary;
    // A stop that came after the last clip was already done stopped nothing.
    summary.Stopped =
        stop_requested_ && std::any_of(results_.begin(), results_.end(), [](auto &r) {
            return r.Outcome == ClipOutcome::Stopped || r.Outcome == ClipOutcome::Pending;
        });
    summary.Results = results_;
    emit RunFinished(summary);
}

void ConversionRun::RequestStop() {
    stop_requested_ = true;
    if (DllStop != nullptr)
        DllStop();
}

bool ConversionRun::Abort(int timeout_ms) {
    if (!converting_)
        return true;
    quiet_ = true;
    RequestStop();
    QElapsedTimer waited;
    waited.start();
    while (converting_ && waited.elapsed() < timeout_ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (converting_)
            QThread::msleep(5);
    }
    return !converting_;
}

void ConversionRun::OnLine(quint64 serial, const QString &text) {
    // A line of an earlier clip never moves this one's display.
    if (serial != serial_ || !awaiting_end_)
        return;
    // The engine's reports begin once it has made the output file.
    if (!output_seen_)
        output_seen_ = note_.OutputCreated();
    if (text.startsWith(QLatin1String("error: "))) {
        results_[current_].Reason = text.mid(7);
        return;
    }
    emit StatusLine(text);
}

double ConversionRun::SecondsAfterCurrent() const {
    double seconds = 0;
    for (qsizetype i = current_ + 1; i < clips_.size(); ++i)
        seconds += std::max<int64_t>(0, int64_t{clips_[i].StopTime} - clips_[i].StartTime);
    return seconds;
}

double ConversionRun::ExpectedSecondsLeft() const {
    const QList<ClipSource> left = clips_.mid(std::min<qsizetype>(current_, clips_.size()));
    return ForecastRun(left, profile_, speed_).Seconds;
}

int32_t ConversionRun::WholePercent(int32_t clip_percent) const {
    if (clips_.isEmpty())
        return 0;
    const int64_t whole = (int64_t{current_} * 100 + clip_percent) / clips_.size();
    return static_cast<int32_t>(std::clamp<int64_t>(whole, 0, 100));
}

bool ConversionRun::ShowFolderAfter(const RunSummary &summary) {
    return !summary.Stopped && summary.FinishedCount() > 0;
}
