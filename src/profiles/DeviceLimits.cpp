#include "profiles/DeviceLimits.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <levels.h>

namespace {

// Whether a frame of width x height units (macroblocks, or samples) fits a level whose pictures
// hold at most `most` of them, no side longer than the square root of eight times that.
bool SidesFit(int64_t width_units, int64_t height_units, int64_t most) {
    const double side = std::sqrt(8.0 * static_cast<double>(most));
    return width_units * height_units <= most && width_units <= side && height_units <= side;
}

std::optional<int32_t> H264LevelNeeded(int32_t width, int32_t height, double fps, int32_t kbps) {
    const int64_t mb_w = (width + 15) / 16, mb_h = (height + 15) / 16;
    for (const engine::H264Level &l : engine::kH264Levels) {
        if (l.name == "1b")
            continue; // its number (9) is out of order, and 1.1 carries all it does
        const bool rate_fits = static_cast<double>(mb_w * mb_h) * fps <= l.mb_rate * 1.0001;
        if (SidesFit(mb_w, mb_h, l.frame_mbs) && rate_fits && kbps * 4 <= l.max_kbps * 5)
            return l.idc;
    }
    return std::nullopt;
}

std::optional<int32_t> HevcLevelNeeded(int32_t width, int32_t height, double fps, int32_t kbps) {
    const int64_t samples = int64_t{width} * height;
    for (const engine::HevcLevel &l : engine::kHevcLevels) {
        const bool frame_fits = SidesFit(width, height, l.picture_samples);
        const bool rate_fits = static_cast<double>(samples) * fps <= l.sample_rate * 1.0001;
        if (frame_fits && rate_fits && kbps <= l.max_kbps)
            return static_cast<int32_t>(std::lround(
                DecimalValue(QString::fromLatin1(l.name.data(), qsizetype(l.name.size()))) * 10));
    }
    return std::nullopt;
}

std::optional<int32_t> Mpeg4LevelNeeded(int32_t width, int32_t height, double fps, int32_t kbps) {
    const int64_t mbs = int64_t{(width + 15) / 16} * ((height + 15) / 16);
    for (const engine::Mpeg4Level &l : engine::kMpeg4SimpleLevels)
        if (mbs <= l.frame_mbs && static_cast<double>(mbs) * fps <= l.mb_rate * 1.0001 &&
            int64_t{kbps} * 1000 <= l.max_bps)
            return l.code == 8 ? 0 : l.code; // the stream writes Level 0 as 8
    return std::nullopt;
}

} // namespace

QString LevelText(const QString &codec, int32_t level) {
    if (codec == QLatin1String("mpeg4"))
        return level == 4 ? QStringLiteral("4a") : QString::number(level);
    return DecimalText(level / 10.0);
}

std::optional<int32_t> LevelNeeded(const QString &codec, int32_t width, int32_t height, double fps,
                                   int32_t kbps) {
    if (codec == QLatin1String("h264"))
        return H264LevelNeeded(width, height, fps, kbps);
    if (codec == QLatin1String("hevc"))
        return HevcLevelNeeded(width, height, fps, kbps);
    if (codec == QLatin1String("mpeg4"))
        return Mpeg4LevelNeeded(width, height, fps, kbps);
    return std::nullopt;
}

const VideoLimit *VideoLimitFor(const DeviceLimits &limits, const QString &codec) {
    // An HDR profile's video ("hevc-hdr") is HEVC as the device sees it.
    const QString seen = codec == QLatin1String("hevc-hdr") ? QStringLiteral("hevc") : codec;
    for (const VideoLimit &v : limits.Video)
        if (v.Codec == seen)
            return &v;
    return nullptr;
}

QString LargestFrameText(const DeviceLimits &limits) {
    return QStringLiteral("%1x%2").arg(limits.MaxLongSide).arg(limits.MaxShortSide);
}

bool FrameFits(int32_t width, int32_t height, const DeviceLimits &limits) {
    return std::max(width, height) <= limits.MaxLongSide &&
           std::min(width, height) <= limits.MaxShortSide;
}

namespace {

// The level the profile's frame, rate and bit rate need against the most the device decodes.
QString LevelOutOfBounds(const ProfileFields &profile, const VideoLimit &video) {
    if (video.MaxLevel <= 0 || profile.Width <= 0 || profile.Height <= 0)
        return {};
    const std::optional<int32_t> needed =
        LevelNeeded(video.Codec, profile.Width, profile.Height, DecimalValue(profile.FrameRate),
                    IntegerValue(profile.VideoBitRate));
    if (needed && *needed <= video.MaxLevel)
        return {};
    const QString most = LevelText(video.Codec, video.MaxLevel);
    if (!needed)
        return QStringLiteral("no %1 level carries it (at most level %2)").arg(video.Codec, most);
    return QStringLiteral("it needs level %1 (at most %2)")
        .arg(LevelText(video.Codec, *needed), most);
}

} // namespace

QString ProfileOutOfBounds(const ProfileFields &profile, const QString &video_codec,
                           const DeviceLimits &limits) {
    const VideoLimit *video = VideoLimitFor(limits, video_codec);
    if (video == nullptr)
        return QStringLiteral("it does not play %1 video").arg(video_codec);
    // Only what the profile states is held against the device.
    if (profile.Width > 0 && profile.Height > 0 &&
        !FrameFits(profile.Width, profile.Height, limits))
        return QStringLiteral("the frame %1x%2 is larger than %3")
            .arg(profile.Width)
            .arg(profile.Height)
            .arg(LargestFrameText(limits));
    const double fps = DecimalValue(profile.FrameRate);
    if (fps > 0 && std::lround(fps * 1000) > limits.MaxFpsMilli)
        return QStringLiteral("%1 frames a second is more than %2")
            .arg(profile.FrameRate, DecimalText(limits.MaxFpsMilli / 1000.0));
    if (IntegerValue(profile.VideoBitRate) > limits.MaxVideoKbps)
        return QStringLiteral("%1 kbps of video is more than %2")
            .arg(profile.VideoBitRate)
            .arg(limits.MaxVideoKbps);
    if (const QString why = LevelOutOfBounds(profile, *video); !why.isEmpty())
        return why;
    const long hertz = std::lround(DecimalValue(profile.AudioFrequency) * 1000);
    if (hertz > 0 && (hertz < limits.MinSampleRate || hertz > limits.MaxSampleRate))
        return QStringLiteral("it does not play sound at %1 kHz").arg(profile.AudioFrequency);
    if (IntegerValue(profile.Channels) > limits.MaxChannels)
        return QStringLiteral("it plays at most %1 channels").arg(limits.MaxChannels);
    return {};
}
