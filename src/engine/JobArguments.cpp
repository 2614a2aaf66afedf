#include "engine/JobArguments.h"

#include "common/FloatToInt.h"
#include "common/NumberText.h"
#include "common/SharedFunctions.h"
#include "profiles/ProfileCatalogue.h"

#include <QFileInfo>
#include <algorithm>

std::optional<ProfileSettings> ReadProfileSettings(const QString &profile_text,
                                                   const QString &output_ext,
                                                   const QString &output_format) {
    const ProfileFields fields = ProfileCatalogue::ParseProfileText(profile_text);
    if (fields.Resolution.size() <= 2)
        return std::nullopt;
    ProfileSettings settings;
    settings.ProfileWidth = fields.Width;
    settings.ProfileHeight = fields.Height;
    settings.Size = fields.Resolution.toLower();
    settings.VideoBitRate = fields.VideoBitRate.toLower();
    settings.FrameRate = fields.FrameRate.toLower();
    settings.AudioBitRate = fields.AudioBitRate;
    // Kilohertz to hertz, held in single precision like the profile's own number.
    const float hertz = static_cast<float>(DecimalValue(fields.AudioFrequency) * 1000.0);
    settings.SamplingRate = DecimalText(hertz);
    settings.Channels = fields.Channels;
    settings.Format = output_format;
    settings.OutputExt = output_ext;
    return settings;
}

QString EngineTimeText(int32_t seconds) {
    if (seconds < 0)
        seconds = 0;
    return TwoDigitText(seconds / 3600) + ':' + TwoDigitText(seconds / 60 % 60) + ':' +
           TwoDigitText(seconds % 60);
}

namespace {
// Half the spare room, never below 0 and always even.
int32_t Band(int64_t room) {
    int64_t v = room / 2;
    if (v < 0)
        v = 0;
    if (v % 2 != 0)
        v -= 1;
    return static_cast<int32_t>(v);
}
} // namespace

Padding KeepRatioPadding(int32_t clip_width, int32_t clip_height, int32_t profile_width,
                         int32_t profile_height) {
    Padding pad;
    if (clip_width <= 0 || clip_height <= 0)
        return pad;
    const float f = static_cast<float>(static_cast<double>(clip_width) / clip_height);
    const float r = static_cast<float>(static_cast<double>(profile_width) / profile_height);
    if (f >= r) {
        // As wide or wider: fitted to the profile's width, bands above and below.
        const int64_t h = FloatToInt<int64_t>(static_cast<double>(profile_width) / f);
        pad.Top = pad.Bottom = Band(static_cast<int64_t>(profile_height) - h);
    } else {
        const int64_t w = FloatToInt<int64_t>(static_cast<double>(profile_height) * f);
        pad.Left = pad.Right = Band(static_cast<int64_t>(profile_width) - w);
    }
    return pad;
}

bool PathTaken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString OutputPathFor(const QString &input, const QString &work_folder, const QString &output_ext,
                      const NameTaken &taken, const QString &suffix) {
    QString name = input.mid(input.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A name that is all extension (".avi") keeps its whole name.
    if (dot > 0)
        name.truncate(dot);
    const QString base = work_folder + name + suffix;
    QString candidate = base + output_ext;
    for (int64_t k = 1; taken(candidate); ++k)
        candidate = base + QString::number(k) + output_ext;
    return candidate;
}

TConvertDef PrepareClip(const ClipSource &clip, const ProfileSettings &profile,
                        const QString &work_folder, bool keep_ratio, const NameTaken &taken) {
    TConvertDef job;
    job.Start = clip.StartTime;
    job.Stop = clip.StopTime;
    job.Length = static_cast<int32_t>(std::clamp<int64_t>(
        static_cast<int64_t>(clip.StopTime) - clip.StartTime, INT32_MIN, INT32_MAX));
    job.StartText = EngineTimeText(job.Start);
    job.StopText = SecondsToTimeText(job.Stop);
    job.LengthText = QString::number(job.Length);
    job.Input = clip.FileName;
    job.Output =
        OutputPathFor(clip.FileName, work_folder, profile.OutputExt, taken, clip.OutputSuffix);
    if (keep_ratio && !profile.Fitted) {
        const Padding pad =
            KeepRatioPadding(clip.Width, clip.Height, profile.ProfileWidth, profile.ProfileHeight);
        job.PadTop = QString::number(pad.Top);
        job.PadBottom = QString::number(pad.Bottom);
        job.PadLeft = QString::number(pad.Left);
        job.PadRight = QString::number(pad.Right);
    }
    job.VideoCodec = profile.VideoCodec;
    job.AudioCodec = profile.AudioCodec;
    job.Size = profile.Size;
    job.FrameRate = profile.FrameRate;
    job.VideoBitRate = profile.VideoBitRate;
    job.AudioBitRate = profile.AudioBitRate;
    job.SamplingRate = profile.SamplingRate;
    job.Channels = profile.Channels;
    job.Format = profile.Format;
    return job;
}

QStringList ArgumentList(const TConvertDef &job) {
    return {QStringLiteral("Clipmorph.exe"),
            QStringLiteral("-y"),
            QStringLiteral("-ss"),
            job.StartText,
            QStringLiteral("-t"),
            job.LengthText,
            QStringLiteral("-i"),
            job.Input,
            QStringLiteral("-vol"),
            job.Volume,
            QStringLiteral("-bitexact"),
            QStringLiteral("-vcodec"),
            job.VideoCodec,
            QStringLiteral("-padtop"),
            job.PadTop,
            QStringLiteral("-padbottom"),
            job.PadBottom,
            QStringLiteral("-padleft"),
            job.PadLeft,
            QStringLiteral("-padright"),
            job.PadRight,
            QStringLiteral("-s"),
            job.Size,
            QStringLiteral("-r"),
            job.FrameRate,
            QStringLiteral("-b"),
            job.VideoBitRate,
            QStringLiteral("-acodec"),
            job.AudioCodec,
            QStringLiteral("-ac"),
            job.Channels,
            QStringLiteral("-ar"),
            job.SamplingRate,
            QStringLiteral("-ab"),
            job.AudioBitRate,
            QStringLiteral("-f"),
            job.Format,
            job.Output};
}

QStringList EngineArguments(const TConvertDef &job) {
    QStringList texts = ArgumentList(job);
    const QString output = texts.takeLast();
    return texts + job.Options + QStringList{output};
}
