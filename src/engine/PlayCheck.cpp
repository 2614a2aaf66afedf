#include "engine/PlayCheck.h"

#include "common/NumberText.h"
#include "engine/EngineBinding.h"

#include <algorithm>

namespace {

// A text field of the facts, read no further than its array even when it has no end mark.
template <size_t N> QString Text(const char (&field)[N]) {
    return QString::fromUtf8(field, static_cast<qsizetype>(qstrnlen(field, N)));
}

// The video's rate as a player's buffer sees it: over a second at least. A clip of a picture or
// two is all key picture, whose bits over its few milliseconds make a rate no player ever meets.
int32_t SustainedKbps(const MediaFacts &f) {
    if (f.duration_ms > 0 && f.duration_ms < 1000)
        return static_cast<int32_t>(int64_t{f.video_kbps} * f.duration_ms / 1000);
    return f.video_kbps;
}

void CheckVideo(const MediaFacts &f, const DeviceLimits &limits, QStringList &out) {
    const QString codec = Text(f.video_codec);
    const auto limit = std::find_if(limits.Video.begin(), limits.Video.end(),
                                    [&](const VideoLimit &v) { return v.Codec == codec; });
    if (limit == limits.Video.end()) {
        out << QStringLiteral("%1 video").arg(codec);
        return;
    }
    const QString profile = Text(f.video_profile);
    if (!limit->Profiles.contains(profile))
        out << QStringLiteral("the %1 profile \"%2\"").arg(codec, profile);
    if (f.video_level > limit->MaxLevel)
        out << QStringLiteral("level %1 (at most %2)")
                   .arg(LevelText(codec, f.video_level), LevelText(codec, limit->MaxLevel));
    if (!FrameFits(f.width, f.height, limits))
        out << QStringLiteral("the frame %1x%2 (at most %3)")
                   .arg(f.width)
                   .arg(f.height)
                   .arg(LargestFrameText(limits));
    // A rate like 30000/1001 is read back a hair above 29970.
    if (f.fps_milli > limits.MaxFpsMilli + limits.MaxFpsMilli / 200)
        out << QStringLiteral("%1 frames a second (at most %2)")
                   .arg(DecimalText(f.fps_milli / 1000.0, 5),
                        DecimalText(limits.MaxFpsMilli / 1000.0));
    if (SustainedKbps(f) > limits.MaxVideoKbps)
        out << QStringLiteral("%1 kbps of video (at most %2)")
                   .arg(SustainedKbps(f))
                   .arg(limits.MaxVideoKbps);
    const QString transfer = Text(f.color_transfer);
    const bool hdr =
        transfer == QLatin1String("smpte2084") || transfer == QLatin1String("arib-std-b67");
    if (hdr && !limits.HighDynamicRange)
        out << QStringLiteral("HDR video (%1)")
                   .arg(transfer == QLatin1String("smpte2084") ? QStringLiteral("PQ")
                                                               : QStringLiteral("HLG"));
    const bool depth = f.bit_depth == 8 || (limits.HighDynamicRange && f.bit_depth == 10);
    if (!depth || f.chroma_420 != 1)
        out << (limits.HighDynamicRange ? QStringLiteral("pictures other than 8- or 10-bit 4:2:0")
                                        : QStringLiteral("pictures other than 8-bit 4:2:0"));
}

void CheckAudio(const MediaFacts &f, const DeviceLimits &limits, QStringList &out) {
    const QString codec = Text(f.audio_codec);
    if (!limits.AudioCodecs.contains(codec)) {
        out << QStringLiteral("%1 sound").arg(codec);
        return;
    }
    const QString profile = Text(f.audio_profile);
    if (codec == QLatin1String("aac") && !profile.isEmpty() && profile != QLatin1String("LC"))
        out << QStringLiteral("AAC of the %1 profile").arg(profile);
    if (f.sample_rate < limits.MinSampleRate || f.sample_rate > limits.MaxSampleRate)
        out << QStringLiteral("sound at %1 Hz").arg(f.sample_rate);
    if (f.channels > limits.MaxChannels)
        out << QStringLiteral("%1 sound channels").arg(f.channels);
}

} // namespace

QStringList OutOfBounds(const MediaFacts &facts, const DeviceLimits &limits) {
    QStringList out;
    if (facts.readable != 1)
        return {QStringLiteral("the file cannot be read back")};
    const QString container = Text(facts.container);
    if (!limits.Containers.contains(container))
        out << QStringLiteral("a %1 file")
                   .arg(container.isEmpty() ? QStringLiteral("?") : container);
    if (limits.IndexAtFront && facts.index_at_front != 1)
        out << QStringLiteral("its index at the end of the file");
    if (facts.video_codec[0] != '\0')
        CheckVideo(facts, limits, out);
    if (facts.audio_codec[0] != '\0')
        CheckAudio(facts, limits, out);
    return out;
}

PlayVerdict JudgePlayback(const MediaFacts &facts, const DeviceRow &device, bool hdr_profile) {
    DeviceLimits limits = device.Limits;
    limits.HighDynamicRange = hdr_profile;
    const QStringList wrong = OutOfBounds(facts, limits);
    if (wrong.isEmpty())
        return {true, QStringLiteral("plays on %1").arg(device.Caption)};
    return {false, QStringLiteral("%1 cannot play it: %2")
                       .arg(device.Caption, wrong.join(QStringLiteral(", ")))};
}

PlayVerdict CheckPlayback(const QString &path, const DeviceRow &device, bool hdr_profile) {
    MediaFacts facts{};
    if (DllGetMediaFacts == nullptr || DllGetMediaFacts(path.toUtf8().constData(), &facts) != 0)
        facts.readable = 0;
    return JudgePlayback(facts, device, hdr_profile);
}
