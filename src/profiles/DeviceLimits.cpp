#include "profiles/DeviceLimits.h"

#include "common/NumberText.h"

#include <algorithm>
#include <cmath>

QString LargestFrameText(const DeviceLimits &limits) {
    return QStringLiteral("%1x%2").arg(limits.MaxLongSide).arg(limits.MaxShortSide);
}

bool FrameFits(int32_t width, int32_t height, const DeviceLimits &limits) {
    return std::max(width, height) <= limits.MaxLongSide &&
           std::min(width, height) <= limits.MaxShortSide;
}

QString ProfileOutOfBounds(const ProfileFields &profile, const QString &profile_codec,
                           const DeviceLimits &limits) {
    // An HDR profile's video is HEVC as the device sees it.
    const QString video_codec =
        profile_codec == QLatin1String("hevc-hdr") ? QStringLiteral("hevc") : profile_codec;
    const bool codec_known =
        std::any_of(limits.Video.begin(), limits.Video.end(),
                    [&](const VideoLimit &v) { return v.Codec == video_codec; });
    if (!codec_known)
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
    const long hertz = std::lround(DecimalValue(profile.AudioFrequency) * 1000);
    if (hertz > 0 && (hertz < limits.MinSampleRate || hertz > limits.MaxSampleRate))
        return QStringLiteral("it does not play sound at %1 kHz").arg(profile.AudioFrequency);
    if (IntegerValue(profile.Channels) > limits.MaxChannels)
        return QStringLiteral("it plays at most %1 channels").arg(limits.MaxChannels);
    return {};
}
