#include "engine/RunForecast.h"

#include "engine/MeasuredSize.h"

#include <QLocale>
#include <QStorageInfo>
#include <cmath>

void RunForecast::Add(const FileForecast &file, double convert_seconds) {
    if (!file.Converts) {
        ++Failing;
        return;
    }
    ++Clips;
    Bytes += file.Bytes;
    Seconds += convert_seconds;
}

RunForecast ForecastRun(const QList<ClipSource> &clips, const ProfileSettings &profile,
                        const SpeedRecord &speed) {
    const DeviceRow device = DeviceRowFor(profile.DeviceType).value_or(DeviceRow{});
    RunForecast run;
    for (const ClipSource &clip : clips) {
        const FileForecast file = ForecastClip(clip, profile, device);
        run.Add(file, ExpectedSeconds(file, speed, profile.VideoCodec));
    }
    return run;
}

QString DurationText(double seconds) {
    if (seconds < 90)
        return QStringLiteral("%1 s").arg(std::max<qint64>(1, std::llround(seconds)));
    const double minutes = seconds / 60;
    if (minutes < 90)
        return QStringLiteral("%1 minutes").arg(std::llround(minutes));
    return QStringLiteral("%1 hours").arg(QLocale::c().toString(minutes / 60, 'f', 1));
}

QString RunSummaryText(const RunForecast &run) {
    QString text = QStringLiteral("%1 %2, %3, about %4")
                       .arg(run.Clips)
                       .arg(run.Clips == 1 ? QStringLiteral("clip") : QStringLiteral("clips"))
                       .arg(SizeText(run.Bytes), DurationText(run.Seconds));
    if (run.Failing > 0)
        text += QStringLiteral("; %1 cannot be converted").arg(run.Failing);
    return text;
}

SpaceVerdict JudgeSpace(const RunForecast &run, int64_t free_bytes) {
    if (free_bytes < 0)
        return {true, QString()};
    const int64_t needed = run.Bytes + run.Bytes / 100 + 10000000;
    if (needed <= free_bytes)
        return {true, QStringLiteral("%1 free").arg(SizeText(free_bytes))};
    return {false, QStringLiteral("the files need %1 and the output folder has %2 free")
                       .arg(SizeText(run.Bytes), SizeText(free_bytes))};
}

int64_t FolderFreeBytes(const QString &folder) {
    bool faked = false;
    const qint64 fake = qgetenv("MAVO_FREE_BYTES").toLongLong(&faked);
    if (faked)
        return fake;
    const QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}
