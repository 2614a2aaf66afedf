#include "engine/MeasuredSize.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

QString ClipKey(const ClipSource &c) {
    return QStringList{c.FileName, QString::number(c.StartTime), QString::number(c.StopTime),
                       c.AudioTrack, c.Subtitles}
        .join(QLatin1Char('|'));
}

QHash<QString, TrialRate> &Rates() {
    static QHash<QString, TrialRate> rates;
    return rates;
}

} // namespace

QString ProfileKey(const ProfileSettings &p) {
    return QStringList{p.VideoCodec,
                       p.AudioCodec,
                       p.Size,
                       p.FrameRate,
                       p.VideoBitRate,
                       p.AudioBitRate,
                       p.SamplingRate,
                       p.Channels,
                       p.Format,
                       p.VideoProfile,
                       p.Tag,
                       QString::number(p.Fitted),
                       QString::number(p.KeepsHdr),
                       QString::number(p.SizeLimitBytes)}
        .join(QLatin1Char('|'));
}

QString TrialKey(const ClipSource &clip, const ProfileSettings &profile) {
    return ClipKey(clip) + QLatin1Char('#') + ProfileKey(profile);
}

void KeepMeasuredRate(const QString &key, const TrialRate &rate) {
    Rates().insert(key, rate);
}

std::optional<TrialRate> MeasuredRate(const QString &key) {
    const auto found = Rates().constFind(key);
    return found == Rates().constEnd() ? std::nullopt : std::optional<TrialRate>(*found);
}

void ApplyMeasuredRate(FileForecast &file, const TrialRate &rate) {
    if (!file.Converts || rate.BytesPerSecond <= 0)
        return;
    // A clip converted whole is as long as its file, to the millisecond (its marks are whole
    // seconds).
    if (rate.Whole && rate.Seconds > 0)
        file.Seconds = std::min(file.Seconds, rate.Seconds);
    const int64_t measured = std::llround(rate.BytesPerSecond * file.Seconds);
    file.Bytes = rate.Whole ? measured : std::min(measured, file.Bytes);
    file.Measured = true;
    file.Pace = rate.Pace;
}

double ExpectedSeconds(const FileForecast &file, const SpeedRecord &speed, const QString &encoder) {
    if (file.Pace > 0)
        return kTrialPartSeconds + file.Pace * file.Seconds;
    return speed.ExpectedSeconds(encoder, file.Pixels());
}

FileForecast ForecastClip(const ClipSource &clip, const ProfileSettings &profile,
                          const DeviceRow &device) {
    FileForecast file = ForecastFile(FactsOf(clip), profile, device);
    if (const std::optional<TrialRate> rate = MeasuredRate(TrialKey(clip, profile)))
        ApplyMeasuredRate(file, *rate);
    return file;
}
