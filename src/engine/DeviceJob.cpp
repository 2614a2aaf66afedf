#include "engine/DeviceJob.h"

#include "common/NumberText.h"
#include "common/SizeBudget.h"
#include "profiles/ProfileCatalogue.h"

#include <algorithm>

namespace {

// The x264 and x265 speed preset: "fast" keeps the quality of their default at two thirds of
// its time.
constexpr const char *kPreset = "fast";

struct FrameStep {
    int32_t Width;
    int32_t Height;
    int64_t LeastBitRate; // bit/s the frame needs to look right in H.264
};

constexpr FrameStep kFrameSteps[] = {
    {1280, 720, 2000000}, {960, 540, 1100000}, {854, 480, 700000}, {640, 360, 0}};

} // namespace

std::optional<ProfileSettings> DeviceProfileSettings(const QString &profile_text,
                                                     const DeviceRow &device,
                                                     const ProfileExtras &extras) {
    std::optional<ProfileSettings> settings =
        ReadProfileSettings(profile_text, device.OutputExt, device.OutputFormat);
    if (!settings)
        return settings;
    settings->DeviceType = device.Type;
    if (!device.Fitted())
        return settings;
    const QString codec = extras.VideoCodec.isEmpty() ? device.VideoCodec : extras.VideoCodec;
    // "hevc-hdr": HEVC Main 10 that keeps a PQ or HLG source's range for an HDR screen.
    const bool hdr = codec == QLatin1String("hevc-hdr");
    const bool hevc = hdr || codec == QLatin1String("hevc");
    settings->VideoCodec = hevc ? QStringLiteral("libx265") : QStringLiteral("libx264");
    settings->VideoProfile = hdr    ? QStringLiteral("main10")
                             : hevc ? QStringLiteral("main")
                                    : QStringLiteral("high");
    settings->KeepsHdr = hdr;
    settings->Tag = hevc ? QStringLiteral("hvc1") : QString();
    if (const VideoLimit *limit = VideoLimitFor(device.Limits, codec))
        settings->VideoLevel = LevelText(codec, limit->MaxLevel);
    settings->SizeLimitBytes = extras.SizeLimitBytes;
    settings->Fitted = true;
    return settings;
}

std::optional<ProfileSettings> DeviceProfileSettings(const QString &profile_text,
                                                     int32_t device_type) {
    const std::optional<DeviceRow> device = DeviceRowFor(device_type);
    if (!device)
        return std::nullopt;
    const ProfileExtras extras =
        ProfileCatalogue().ReadProfileExtras(device->Section, profile_text);
    return DeviceProfileSettings(profile_text, *device, extras);
}

QSize SizeCappedFrame(const ProfileSettings &profile, double seconds) {
    const int64_t audio = int64_t{IntegerValue(profile.AudioBitRate)} * 1000;
    int64_t rate = VideoBudget(profile.SizeLimitBytes, seconds, audio);
    const int64_t ceiling = int64_t{IntegerValue(profile.VideoBitRate)} * 1000;
    if (ceiling > 0)
        rate = std::min(rate, ceiling);
    for (const FrameStep &step : kFrameSteps) {
        const bool within =
            step.Width <= profile.ProfileWidth && step.Height <= profile.ProfileHeight;
        if (within && rate >= step.LeastBitRate)
            return {step.Width, step.Height};
    }
    return {std::min(profile.ProfileWidth, 640), std::min(profile.ProfileHeight, 360)};
}

void AddDeviceOptions(TConvertDef &job, const ProfileSettings &profile) {
    job.Options = {QStringLiteral("-fit"), QStringLiteral("-preset"),
                   QLatin1String(kPreset), QStringLiteral("-vprofile"),
                   profile.VideoProfile,   QStringLiteral("-faststart")};
    if (!profile.Tag.isEmpty())
        job.Options << QStringLiteral("-vtag") << profile.Tag;
    if (profile.KeepsHdr)
        job.Options << QStringLiteral("-hdr");
    if (!profile.VideoLevel.isEmpty())
        job.Options << QStringLiteral("-level") << profile.VideoLevel;
    // Phones and TVs show the source's text subtitles on request; a size-capped file leaves them
    // out.
    if (profile.SizeLimitBytes == 0)
        job.Options << QStringLiteral("-subtitles") << QStringLiteral("keep");
    if (profile.SizeLimitBytes > 0) {
        const QSize frame = SizeCappedFrame(profile, std::max(job.Length, 1));
        job.Size = QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height());
        job.Options << QStringLiteral("-fs") << QString::number(profile.SizeLimitBytes);
    }
}

TConvertDef PrepareDeviceClip(const ClipSource &clip, const ProfileSettings &profile,
                              const QString &work_folder, bool keep_ratio, const NameTaken &taken) {
    TConvertDef job = PrepareClip(clip, profile, work_folder, keep_ratio, taken);
    if (profile.Fitted)
        AddDeviceOptions(job, profile);
    if (!clip.AudioTrack.isEmpty())
        job.Options << QStringLiteral("-atrack") << clip.AudioTrack;
    if (!clip.Subtitles.isEmpty()) {
        // The clip's own choice replaces the device's.
        const qsizetype at = job.Options.indexOf(QStringLiteral("-subtitles"));
        if (at >= 0)
            job.Options.remove(at, 2);
        job.Options << QStringLiteral("-subtitles") << clip.Subtitles;
    }
    return job;
}
