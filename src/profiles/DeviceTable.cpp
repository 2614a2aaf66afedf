#include "profiles/DeviceTable.h"

#include "profiles/ProfileCatalogue.h"

namespace {

const QStringList kH264Profiles = {QStringLiteral("Constrained Baseline"),
                                   QStringLiteral("Baseline"), QStringLiteral("Main"),
                                   QStringLiteral("High")};

VideoLimit Mpeg4Simple(int32_t max_level) {
    return {QStringLiteral("mpeg4"), {QStringLiteral("Simple Profile")}, max_level};
}

// A classic player: MPEG-4 Simple Profile and AAC in an MP4-family file.
DeviceLimits Classic(int32_t level, int32_t long_side, int32_t short_side, int32_t fps_milli,
                     int32_t kbps, int32_t min_rate, const QStringList &containers) {
    DeviceLimits l;
    l.Video = {Mpeg4Simple(level)};
    l.MaxLongSide = long_side;
    l.MaxShortSide = short_side;
    l.MaxFpsMilli = fps_milli;
    l.MaxVideoKbps = kbps;
    l.AudioCodecs = {QStringLiteral("aac")};
    l.MinSampleRate = min_rate;
    l.MaxSampleRate = 48000;
    l.Containers = containers;
    return l;
}

// Today's players: H.264 (and HEVC where given) with AAC-LC in an MP4 indexed at its front.
DeviceLimits Today(QList<VideoLimit> video, int32_t long_side, int32_t short_side,
                   int32_t fps_milli, int32_t kbps) {
    DeviceLimits l;
    l.Video = std::move(video);
    l.MaxLongSide = long_side;
    l.MaxShortSide = short_side;
    l.MaxFpsMilli = fps_milli;
    l.MaxVideoKbps = kbps;
    l.AudioCodecs = {QStringLiteral("aac")};
    l.MinSampleRate = 44100;
    l.MaxSampleRate = 48000;
    l.Containers = {QStringLiteral("mp4")};
    l.IndexAtFront = true;
    return l;
}

std::optional<DeviceRow> FixedPartOf(int32_t device_type) {
    const QStringList mp4 = {QStringLiteral("mp4")};
    const VideoLimit h264_41{QStringLiteral("h264"), kH264Profiles, 41};
    switch (device_type) {
    case 0:
        return DeviceRow{
            ".3gp",    "3gp",
            "3gp.jpg", "3GP phone",
            0,         {},
            "mpeg4",   Classic(3, 352, 288, 15000, 384, 8000, {QStringLiteral("3gp")})};
    case 1:
        return DeviceRow{".MP4",
                         "psp",
                         "psp.jpg",
                         "PSP",
                         1,
                         {},
                         "mpeg4",
                         Classic(4, 480, 272, 30000, 1500, 24000,
                                 {QStringLiteral("psp"), QStringLiteral("mp4")})};
    case 2:
        return DeviceRow{".MP4", "mp4", "ipod.jpg", "iPod",
                         2,      {},    "mpeg4",    Classic(4, 640, 480, 30000, 2500, 8000, mp4)};
    case 3:
        return DeviceRow{".MP4", "mp4", "pda.jpg", "PDA",
                         3,      {},    "mpeg4",   Classic(4, 640, 480, 30000, 2500, 8000, mp4)};
    case 4:
        return DeviceRow{".MP4", "mp4", "mp4.jpg", "MP4 player",
                         4,      {},    "mpeg4",   Classic(6, 1280, 720, 30000, 4000, 8000, mp4)};
    case 5:
        return DeviceRow{".mp4", "mp4", "phone.jpg", "Phone / tablet",
                         5,      {},    "h264",      Today({h264_41}, 1920, 1080, 60000, 20000)};
    case 6:
        return DeviceRow{
            ".mp4",
            "mp4",
            "tv.jpg",
            "TV / computer",
            6,
            {},
            "h264",
            Today(
                {{QStringLiteral("h264"), kH264Profiles, 42},
                 {QStringLiteral("hevc"), {QStringLiteral("Main"), QStringLiteral("Main 10")}, 51}},
                3840, 2160, 60000, 40000)};
    case 7:
        return DeviceRow{".mp4", "mp4", "share.jpg", "Share",
                         7,      {},    "h264",      Today({h264_41}, 1280, 720, 30000, 8000)};
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<DeviceRow> DeviceRowFor(int32_t device_type) {
    std::optional<DeviceRow> row = FixedPartOf(device_type);
    if (row)
        row->Section = ProfileCatalogue::SectionForDevice(device_type);
    return row;
}

std::optional<DeviceRow> DeviceRowNamed(const QString &section) {
    for (int32_t type = 0; type < kDeviceCount; ++type)
        if (ProfileCatalogue::SectionForDevice(type).compare(section, Qt::CaseInsensitive) == 0)
            return DeviceRowFor(type);
    return std::nullopt;
}

QString DeviceNamesText() {
    QStringList names;
    for (int32_t type = 0; type < kDeviceCount; ++type)
        names << ProfileCatalogue::SectionForDevice(type);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}
