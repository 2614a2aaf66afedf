#include "BatchRun.h"

#include "BatchEstimate.h"

#include "common/MessagePort.h"
#include "common/SharedFunctions.h"
#include "engine/EngineBinding.h"
#include "engine/TrackChoice.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>

namespace {

// Why the engine cannot take a file; nothing when it can.
std::optional<QString> Unreadable(const QString &path, ClipInfoRecord &info) {
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("no such file");
    if (!file.isFile())
        return QStringLiteral("not a file");
    if (!file.isReadable())
        return QStringLiteral("the file cannot be read");
    info = ClipInfoRecord{};
    DllGetFileInfo(path.toUtf8().constData(), &info);
    if (info.video_format == nullptr || qstrcmp(info.video_format, "unknown") == 0) {
        if (info.extra[5] == 1)
            return QStringLiteral("the file could not be read in time");
        const QString refusal = VideoRefusal(path);
        return refusal.isEmpty() ? QStringLiteral("no video the engine can read") : refusal;
    }
    return std::nullopt;
}

} // namespace

ClipSource SampleOf(ClipSource clip, int32_t length, int32_t seconds) {
    const int32_t taken = std::min(std::max(0, length), seconds);
    clip.StartTime = (length - taken) / 2;
    clip.StopTime = clip.StartTime + taken;
    clip.OutputSuffix = QStringLiteral("-sample");
    return clip;
}

std::optional<QString> MissingSoundTrack(const QStringList &files, const QString &wanted) {
    if (wanted.isEmpty())
        return std::nullopt;
    for (const QString &file : files) {
        // Files the engine cannot open fail on their own, later, with their reason.
        const std::optional<TrackReading> tracks = ReadTracks(file, wanted);
        if (tracks && tracks->WantedMissing)
            return QStringLiteral("%1 has no sound track \"%2\" (its sound tracks: %3)")
                .arg(file, wanted, NumberedTracks(tracks->SoundLabels));
    }
    return std::nullopt;
}

QString OutcomeName(ClipOutcome outcome) {
    switch (outcome) {
    case ClipOutcome::Finished:
        return QStringLiteral("converted");
    case ClipOutcome::Stopped:
        return QStringLiteral("stopped");
    default:
        return QStringLiteral("failed");
    }
}

QByteArray ClipReportJson(const ClipReport &report) {
    const QJsonObject object{
        {"source", report.Source},
        {"output", report.Output.isEmpty() ? QJsonValue() : QJsonValue(report.Output)},
        {"result", OutcomeName(report.Outcome)},
        {"reason", report.Reason.isEmpty() ? QJsonValue() : QJsonValue(report.Reason)},
        {"seconds", qRound(report.Seconds * 10) / 10.0},
        {"plays", report.Plays.isEmpty() ? QJsonValue() : QJsonValue(report.Plays)},
        {"colour", report.Colour.isEmpty() ? QJsonValue() : QJsonValue(report.Colour)},
        {"tone_mapped", report.ToneMapped},
        {"deinterlaced", report.Deinterlaced}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void DescribePicture(const QString &source, const QString &output, ClipReport &report) {
    MediaFacts in{}, out{};
    if (DllGetMediaFacts == nullptr || DllGetMediaFacts(output.toUtf8().constData(), &out) != 0 ||
        out.video_codec[0] == '\0' || DllGetMediaFacts(source.toUtf8().constData(), &in) != 0)
        return;
    const auto text = [](const char *field, size_t size) {
        return QString::fromUtf8(field, static_cast<qsizetype>(qstrnlen(field, size)));
    };
    report.Colour = {{"primaries", text(out.color_primaries, sizeof out.color_primaries)},
                     {"transfer", text(out.color_transfer, sizeof out.color_transfer)},
                     {"matrix", text(out.color_matrix, sizeof out.color_matrix)},
                     {"range", text(out.color_range, sizeof out.color_range)}};
    const auto hdr = [&](const MediaFacts &f) {
        const QString t = text(f.color_transfer, sizeof f.color_transfer);
        return t == QLatin1String("smpte2084") || t == QLatin1String("arib-std-b67");
    };
    report.ToneMapped = hdr(in) && !hdr(out);
    report.Deinterlaced = in.interlaced == 1;
}

BatchRun::BatchRun(BatchJob job, BatchOutput output, QObject *parent)
    : QObject(parent), job_(std::move(job)), output_(output), out_(stdout), err_(stderr) {}

BatchRun::~BatchRun() = default;

void BatchRun::RequestStop() {
    stop_requested_ = true;
    if (run_ != nullptr && run_->Converting())
        run_->RequestStop();
}

QList<ClipSource> BatchRun::LookAtFiles(const QStringList &files) {
    QList<ClipSource> clips;
    for (const QString &file : files) {
        QCoreApplication::processEvents();
        if (stop_requested_)
            break;
        const QString path = QFileInfo(file).absoluteFilePath();
        ClipInfoRecord info{};
        if (auto reason = Unreadable(path, info)) {
            ClipReport report;
            report.Source = path;
            report.Reason = *reason;
            Report(report);
            continue;
        }
        // The whole clip: from its start to its length.
        ClipSource clip{path,          0, info.duration, info.width, info.height, job_.AudioTrack,
                        job_.Subtitles};
        if (output_.SampleSeconds > 0)
            clip = SampleOf(clip, info.duration, output_.SampleSeconds);
        clips.append(clip);
        list_seconds_ += std::max<int32_t>(0, clip.StopTime - clip.StartTime);
        QString unread;
        if (std::optional<SourceFacts> source = ReadSourceFacts(path, unread)) {
            if (output_.SampleSeconds > 0)
                source->Seconds = std::min<double>(source->Seconds, clip.StopTime - clip.StartTime);
            const FileForecast file = ForecastFile(*source, job_.Profile, job_.Device);
            forecast_.Add(file,
                          speed_record_.ExpectedSeconds(job_.Profile.VideoCodec, file.Pixels()));
        }
    }
    return clips;
}

int BatchRun::Run(const QStringList &files) {
    run_clock_.start();
    QList<ClipSource> clips = LookAtFiles(files);
    if (!clips.isEmpty() && !stop_requested_ && RoomForFiles()) {
        ConversionRun run;
        run_ = &run;
        MessagePort port([&run](UINT msg, WPARAM w, LPARAM) {
            if (msg == WM_CONVERTDONE)
                run.ConvertNextClip(static_cast<int>(w));
            return LRESULT{0};
        });
        run.SetWindow(port.Handle());
        run.SetSpeedRecord(speed_record_);
        QEventLoop loop;
        connect(&run, &ConversionRun::ClipStarting, this, &BatchRun::OnClipStarting);
        connect(&run, &ConversionRun::StatusLine, this, &BatchRun::OnStatusLine);
        connect(&run, &ConversionRun::RunFinished, &loop, &QEventLoop::quit);
        if (run.Begin(std::move(clips), job_.Profile, job_.WorkFolder, job_.KeepRatio)) {
            run.StartClip();
            loop.exec();
            // The clip that ended last; clips after a stop were never started.
            if (reported_ < run.Results().size())
                EndClip(run.Results()[reported_]);
            run.Speed().Write();
        }
        run_ = nullptr;
    }
    ClearLiveLine();
    if (stop_requested_) {
        if (!output_.Quiet)
            err_ << "mavo-convert: stopped\n";
        return kExitInterrupted;
    }
    return failures_ ? kExitSomeFailed : kExitConverted;
}

bool BatchRun::RoomForFiles() {
    const SpaceVerdict space = JudgeSpace(forecast_, FolderFreeBytes(job_.WorkFolder));
    if (space.Fits)
        return true;
    failures_ = true;
    err_ << "mavo-convert: nothing was converted: " << space.Text << '\n' << Qt::flush;
    return false;
}

void BatchRun::OnClipStarting() {
    // A clip starting means the one before it has ended.
    const int32_t index = run_->CurrentClipIndex();
    while (reported_ < index)
        EndClip(run_->Results()[reported_]);
    clip_clock_.start();
    clip_seconds_ = std::max<int32_t>(0, run_->MyConvertDef.Length);
    position_ = 0;
    speed_.StartClip(clip_seconds_, run_->SecondsAfterCurrent(), run_clock_.elapsed() / 1000.0);
    OnStatusLine({});
}

void BatchRun::EndClip(const ClipResult &result) {
    ++reported_;
    done_seconds_ += clip_seconds_;
    clip_seconds_ = 0;
    if (result.Outcome == ClipOutcome::Pending)
        return;
    // A file its device cannot play is kept, and named; a stopped clip's file is gone.
    const bool kept = result.Outcome != ClipOutcome::Stopped && !result.Output.isEmpty() &&
                      QFileInfo(result.Output).isFile();
    ClipReport report;
    report.Source = result.Source;
    report.Output = kept ? result.Output : QString();
    report.Outcome = result.Outcome;
    report.Reason = result.Reason;
    report.Seconds = clip_clock_.elapsed() / 1000.0;
    report.Plays = result.Plays;
    if (kept)
        DescribePicture(result.Source, result.Output, report);
    Report(report);
}

void BatchRun::OnStatusLine(const QString &text) {
    if (!output_.LiveProgress || run_ == nullptr)
        return;
    const TConvertDef &clip = run_->MyConvertDef;
    if (auto info = ParseEngineInfo(text, clip.Start, clip.Length)) {
        position_ = std::min(info->Position, clip_seconds_);
        speed_.Observe(info->Position, run_clock_.elapsed() / 1000.0);
    }
    const std::optional<double> speed = speed_.Speed();
    std::optional<double> clip_left;
    if (speed && *speed > 0)
        clip_left = (clip_seconds_ - position_) / *speed;
    const auto percent = [](double part, double whole) {
        return whole > 0 ? qRound(std::min(1.0, part / whole) * 100) : 0;
    };
    const int32_t count = run_->ClipCount();
    QString line = QStringLiteral("[%1/%2] %3  %4 %  %5  %6 left")
                       .arg(run_->CurrentClipIndex() + 1)
                       .arg(count)
                       .arg(FilePart(clip.Input))
                       .arg(percent(position_, clip_seconds_))
                       .arg(SpeedText(speed), TimeLeftText(clip_left));
    if (count > 1)
        line += QStringLiteral("  |  all  %1 %  %2 left")
                    .arg(percent(done_seconds_ + position_, list_seconds_))
                    .arg(TimeLeftText(speed_.SecondsLeft()));
    err_ << '\r' << line << "\x1b[K" << Qt::flush;
    live_line_shown_ = true;
}

void BatchRun::ClearLiveLine() {
    if (!live_line_shown_)
        return;
    err_ << "\r\x1b[K" << Qt::flush;
    live_line_shown_ = false;
}

void BatchRun::Report(const ClipReport &report) {
    ClearLiveLine();
    if (report.Outcome == ClipOutcome::Failed) {
        failures_ = true;
        err_ << "mavo-convert: " << report.Source << ": " << report.Reason << '\n' << Qt::flush;
    } else if (report.Outcome == ClipOutcome::Stopped && !output_.Quiet) {
        err_ << "mavo-convert: " << report.Source
             << ": stopped; the unfinished output was removed\n"
             << Qt::flush;
    }
    if (output_.Json) {
        out_ << ClipReportJson(report) << '\n' << Qt::flush;
    } else if (report.Outcome == ClipOutcome::Finished && !output_.Quiet) {
        out_ << report.Source << " -> " << report.Output
             << QStringLiteral(" (%1 s)").arg(report.Seconds, 0, 'f', 1) << '\n'
             << Qt::flush;
    }
}
