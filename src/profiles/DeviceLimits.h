#pragma once
// What a device can play: the streams, frame, rates and container its player takes. A profile
// the device cannot play is refused by the editor; a file written for the device is read back
// and checked against the same limits.

#include "profiles/ProfileCatalogue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// One kind of video the device decodes, with the profiles and the highest level it takes. Levels
// are counted as the read-back gives them: H.264 41 for 4.1, HEVC 10 x level, MPEG-4 Simple
// Profile 0 to 6 (4 for 4a).
struct VideoLimit {
    QString Codec; // "mpeg4", "h264", "hevc"
    QStringList Profiles;
    int32_t MaxLevel = 0;
};

struct DeviceLimits {
    QList<VideoLimit> Video;
    int32_t MaxLongSide = 0; // the frame, either way up
    int32_t MaxShortSide = 0;
    int32_t MaxFpsMilli = 0;
    int32_t MaxVideoKbps = 0;
    QStringList AudioCodecs; // "aac"
    int32_t MinSampleRate = 0;
    int32_t MaxSampleRate = 0;
    int32_t MaxChannels = 2;
    QStringList Containers; // "mp4", "3gp", "psp"
    bool IndexAtFront = false;
    // Pictures of high dynamic range (PQ or HLG, 10 bits) play: set for a device's HDR profile
    // only, never for the device as a whole.
    bool HighDynamicRange = false;
};

// Why the device cannot play a profile with these settings ("the frame 800x600 is larger than
// 640x480"); empty when it can. video_codec is the profile's video, as the limits name it.
QString ProfileOutOfBounds(const ProfileFields &profile, const QString &video_codec,
                           const DeviceLimits &limits);

// The level as people write it and the engine's "-level" takes it, counted as
// VideoLimit::MaxLevel counts: "4.1", "5", "4a".
QString LevelText(const QString &codec, int32_t level);
// The least level of the codec whose limits carry a frame of width x height at fps frames a
// second (0: not stated) and kbps of video, counted as VideoLimit::MaxLevel counts; nothing when
// no level does. H.264 is taken as High profile, which carries a quarter more.
std::optional<int32_t> LevelNeeded(const QString &codec, int32_t width, int32_t height, double fps,
                                   int32_t kbps);
// The limit of one kind of video; nullptr when the device does not play it.
const VideoLimit *VideoLimitFor(const DeviceLimits &limits, const QString &codec);

// "640x480" for the limits' largest frame, the long side first.
QString LargestFrameText(const DeviceLimits &limits);
// Whether a frame fits the device's largest one, either way up.
bool FrameFits(int32_t width, int32_t height, const DeviceLimits &limits);
