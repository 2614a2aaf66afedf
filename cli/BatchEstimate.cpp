#include "BatchEstimate.h"

#include "BatchRun.h"
#include "engine/EngineBinding.h"
#include "engine/RunForecast.h"
#include "engine/SizeTrial.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

std::optional<SourceFacts> ReadSourceFacts(const QString &path, QString &reason) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        reason = file.exists() ? QStringLiteral("the file cannot be read")
                               : QStringLiteral("no such file");
        return std::nullopt;
    }
    const QByteArray name = path.toUtf8();
    ClipInfoRecord info{};
    DllGetFileInfo(name.constData(), &info);
    if (info.video_format == nullptr || qstrcmp(info.video_format, "unknown") == 0) {
        reason = QStringLiteral("no video the engine can read");
        return std::nullopt;
    }
    SourceFacts source;
    source.Width = info.width;
    source.Height = info.height;
    source.Fps = info.extra[0] / 1000.0;
    source.Seconds = info.duration;
    source.HasAudio = info.audio_format != nullptr && qstrlen(info.audio_format) > 0 &&
                      qstrcmp(info.audio_format, "unknown") != 0 &&
                      qstrcmp(info.audio_format, "none") != 0;
    MediaFacts facts{};
    if (DllGetMediaFacts != nullptr && DllGetMediaFacts(name.constData(), &facts) == 0) {
        // The length to the millisecond: the whole seconds of the list are rounded up.
        if (facts.duration_ms > 0)
            source.Seconds = facts.duration_ms / 1000.0;
        source.Transfer = QString::fromUtf8(
            facts.color_transfer, static_cast<qsizetype>(qstrnlen(facts.color_transfer, 16)));
        source.HasAudio = facts.audio_codec[0] != '\0';
    }
    return source;
}

ClipEstimate EstimateClip(const QString &path, const BatchJob &job, const SpeedRecord &speed,
                          int32_t sample_seconds) {
    ClipEstimate estimate;
    estimate.Source = QFileInfo(path).absoluteFilePath();
    std::optional<SourceFacts> source = ReadSourceFacts(estimate.Source, estimate.Reason);
    if (!source)
        return estimate;
    const int32_t length = static_cast<int32_t>(std::ceil(source->Seconds));
    ClipSource clip{estimate.Source, 0, length, source->Width, source->Height, job.AudioTrack,
                    job.Subtitles};
    clip.Fps = source->Fps;
    clip.HasAudio = source->HasAudio;
    if (sample_seconds > 0) {
        source->Seconds = std::min<double>(source->Seconds, sample_seconds);
        clip = SampleOf(clip, length, sample_seconds);
    }
    estimate.File = ForecastFile(*source, job.Profile, job.Device);
    // The size the encoder really gives this clip's pictures, from a few seconds converted.
    if (estimate.File.Converts)
        if (const std::optional<TrialRate> rate = MeasureClip(clip, job.Profile))
            ApplyMeasuredRate(estimate.File, *rate);
    estimate.ConvertSeconds = ExpectedSeconds(estimate.File, speed, job.Profile.VideoCodec);
    return estimate;
}

QByteArray ClipEstimateJson(const ClipEstimate &estimate) {
    const FileForecast &f = estimate.File;
    const bool read = estimate.Reason.isEmpty();
    const QJsonObject object{
        {"source", estimate.Source},
        {"frame", read && f.Converts ? QJsonValue(f.FrameText()) : QJsonValue()},
        {"fps", read && f.Converts ? QJsonValue(std::round(f.Fps * 1000) / 1000) : QJsonValue()},
        {"bytes", read && f.Converts ? QJsonValue(static_cast<qint64>(f.Bytes)) : QJsonValue()},
        {"seconds", read && f.Converts ? QJsonValue(std::round(estimate.ConvertSeconds * 10) / 10)
                                       : QJsonValue()},
        {"length", read ? QJsonValue(std::round(f.Seconds * 1000) / 1000) : QJsonValue()},
        {"plays", read && f.Converts ? QJsonValue(f.Verdict) : QJsonValue()},
        {"converts", read && f.Converts},
        {"measured", read && f.Measured},
        {"reason", read && f.Converts ? QJsonValue()
                   : read             ? QJsonValue(f.Verdict)
                                      : QJsonValue(estimate.Reason)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int EstimateFiles(const BatchOptions &options, const BatchJob &job, QTextStream &out,
                  QTextStream &err) {
    const SpeedRecord speed = SpeedRecord::Read();
    const bool json = options.Json;
    RunForecast run;
    for (const QString &file : options.Files) {
        const ClipEstimate estimate = EstimateClip(file, job, speed, options.SampleSeconds);
        const bool fails = !estimate.Reason.isEmpty() || !estimate.File.Converts;
        if (fails) {
            run.Failing += 1;
            err << "mavo-convert: " << estimate.Source << ": "
                << (estimate.Reason.isEmpty() ? estimate.File.Verdict : estimate.Reason) << '\n';
        } else {
            run.Add(estimate.File, estimate.ConvertSeconds);
        }
        if (json)
            out << ClipEstimateJson(estimate) << '\n';
        else if (!fails)
            out << estimate.Source << ": " << ForecastText(estimate.File) << ", about "
                << DurationText(estimate.ConvertSeconds) << "; " << estimate.File.Verdict << '\n';
    }
    if (!json)
        out << RunSummaryText(run) << '\n';
    out.flush();
    err.flush();
    return run.Failing > 0 ? kExitSomeFailed : kExitConverted;
}
