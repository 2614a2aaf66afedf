#include "engine/OutputForecast.h"

#include "common/FitRule.h"
#include "common/NumberText.h"
#include "common/SizeBudget.h"
#include "engine/DeviceJob.h"
#include "engine/PlayCheck.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The share of its target rate an encoder's stream carries in the end, measured on the engine's
// files (moving noise and the real files of the README's table): x265's rate control at the
// "fast" preset stays 10 to 17 % below its target, x264's and the mpeg4 encoder's land on it
// (the mpeg4 one a few percent either side).
double RateKept(const QString &codec) {
    return codec == QLatin1String("libx265") ? 0.87 : 1.0;
}

template <size_t N> void Put(char (&field)[N], const QString &text) {
    const QByteArray bytes = text.toUtf8().left(N - 1);
    std::memcpy(field, bytes.constData(), static_cast<size_t>(bytes.size()));
    field[bytes.size()] = '\0';
}

bool IsHdr(const QString &transfer) {
    return transfer == QLatin1String("smpte2084") || transfer == QLatin1String("arib-std-b67");
}

// The frame and rate the engine will give the picture.
void PlanPicture(const SourceFacts &source, const ProfileSettings &profile, FileForecast &f) {
    f.Width = profile.ProfileWidth;
    f.Height = profile.ProfileHeight;
    f.Fps = DecimalValue(profile.FrameRate);
    f.VideoBitRate = int64_t{IntegerValue(profile.VideoBitRate)} * 1000;
    if (!profile.Fitted)
        return; // the classic devices: the profile's own frame and rate
    int box_w = profile.ProfileWidth, box_h = profile.ProfileHeight;
    if (profile.SizeLimitBytes > 0) {
        const QSize capped = SizeCappedFrame(profile, std::max(source.Seconds, 1.0));
        box_w = capped.width();
        box_h = capped.height();
    }
    if (source.Width > 0 && source.Height > 0)
        FittedFrame(box_w, box_h, source.Width, source.Height, f.Width, f.Height);
    if (source.Fps > 0 && (f.Fps <= 0 || source.Fps < f.Fps))
        f.Fps = source.Fps;
    if (profile.SizeLimitBytes <= 0)
        f.VideoBitRate = FittedBitRateFor(f.VideoBitRate, box_w, box_h, f.Width, f.Height);
}

// A size-capped profile fills its limit: the video gets what the sound leaves, the profile's
// rate at most. False when too little is left for a picture worth watching.
bool PlanSizeTarget(const ProfileSettings &profile, FileForecast &f) {
    int64_t rate = VideoBudget(profile.SizeLimitBytes, f.Seconds, f.AudioBitRate);
    if (f.VideoBitRate > 0)
        rate = std::min(rate, f.VideoBitRate);
    f.VideoBitRate = rate;
    if (rate >= kLeastVideoBitRate)
        return true;
    f.Verdict = QStringLiteral("too long for %1: at most %2 s")
                    .arg(SizeText(profile.SizeLimitBytes))
                    .arg(LongestFitting(profile.SizeLimitBytes, f.AudioBitRate));
    return false;
}

// The facts the read-back of the written file will give.
MediaFacts ExpectedFacts(const SourceFacts &source, const ProfileSettings &profile,
                         const FileForecast &f) {
    MediaFacts m{};
    m.readable = 1;
    Put(m.container,
        profile.Format == QLatin1String("ipod") ? QStringLiteral("m4v") : profile.Format);
    m.index_at_front = profile.Fitted ? 1 : 0;
    m.file_bytes = f.Bytes;
    m.duration_ms = static_cast<int32_t>(std::lround(f.Seconds * 1000));
    const bool hevc = profile.VideoCodec == QLatin1String("libx265");
    const bool h264 = profile.VideoCodec == QLatin1String("libx264");
    Put(m.video_codec, hevc   ? QStringLiteral("hevc")
                       : h264 ? QStringLiteral("h264")
                              : profile.VideoCodec);
    const bool keeps_hdr = profile.KeepsHdr && IsHdr(source.Transfer);
    QString stream_profile = QStringLiteral("Simple Profile");
    if (hevc || h264)
        stream_profile = keeps_hdr
                             ? QStringLiteral("Main 10")
                             : profile.VideoProfile.left(1).toUpper() + profile.VideoProfile.mid(1);
    Put(m.video_profile, stream_profile);
    m.width = m.display_width = f.Width;
    m.height = m.display_height = f.Height;
    m.fps_milli = static_cast<int32_t>(std::lround(f.Fps * 1000));
    m.video_kbps = static_cast<int32_t>(f.VideoBitRate / 1000);
    m.bit_depth = keeps_hdr ? 10 : 8;
    m.chroma_420 = 1;
    Put(m.color_transfer, keeps_hdr ? source.Transfer : QStringLiteral("bt709"));
    if (source.HasAudio) {
        Put(m.audio_codec, profile.AudioCodec);
        Put(m.audio_profile, QStringLiteral("LC"));
        m.sample_rate = IntegerValue(profile.SamplingRate);
        m.channels = std::min(IntegerValue(profile.Channels), 2);
        m.audio_kbps = static_cast<int32_t>(f.AudioBitRate / 1000);
    }
    return m;
}

} // namespace

bool HasSound(const QString &audio_format) {
    return !audio_format.isEmpty() && audio_format != QLatin1String("unknown") &&
           audio_format != QLatin1String("none");
}

SourceFacts FactsOf(const ClipSource &clip) {
    SourceFacts source;
    source.Width = clip.Width;
    source.Height = clip.Height;
    source.Fps = clip.Fps;
    source.Seconds = std::max(0, clip.StopTime - clip.StartTime);
    source.HasAudio = clip.HasAudio;
    return source;
}

FileForecast ForecastFile(const SourceFacts &source, const ProfileSettings &profile,
                          const DeviceRow &device) {
    FileForecast f;
    f.Seconds = std::max(0.0, source.Seconds);
    PlanPicture(source, profile, f);
    f.AudioBitRate = source.HasAudio ? int64_t{IntegerValue(profile.AudioBitRate)} * 1000 : 0;
    if (profile.SizeLimitBytes > 0 && !PlanSizeTarget(profile, f)) {
        f.Converts = false;
        return f;
    }
    const double video = f.VideoBitRate * RateKept(profile.VideoCodec);
    const double stream_bytes = (video + double(f.AudioBitRate)) * f.Seconds / 8;
    f.Bytes = static_cast<int64_t>(std::llround(stream_bytes * kContainerShare));
    if (profile.SizeLimitBytes > 0)
        f.Bytes = std::min(f.Bytes, profile.SizeLimitBytes);
    const PlayVerdict verdict =
        JudgePlayback(ExpectedFacts(source, profile, f), device, profile.KeepsHdr);
    f.Plays = verdict.Plays;
    f.Verdict = verdict.Text;
    return f;
}

QString SizeText(int64_t bytes) {
    const auto number = [](double v, int decimals) {
        return QLocale::c().toString(v, 'f', decimals);
    };
    const double mb = bytes / 1e6;
    if (bytes >= 1000000000)
        return number(bytes / 1e9, 1) + QStringLiteral(" GB");
    if (mb >= 100)
        return number(mb, 0) + QStringLiteral(" MB");
    if (bytes >= 1000000)
        return number(mb, 1) + QStringLiteral(" MB");
    return number(std::max<int64_t>(bytes, 0) / 1e3, 0) + QStringLiteral(" KB");
}

QString ForecastText(const FileForecast &forecast) {
    if (!forecast.Converts)
        return forecast.Verdict;
    QString text = QStringLiteral("%1, %2 fps, %3")
                       .arg(forecast.FrameText(), DecimalText(std::round(forecast.Fps * 100) / 100),
                            SizeText(forecast.Bytes));
    if (!forecast.Plays)
        text += QStringLiteral(" (%1)").arg(forecast.Verdict);
    return text;
}
