#pragma once
// The whole run before it starts: how many clips, how many bytes, how long, and whether the
// output folder has room for the files.

#include "engine/OutputForecast.h"
#include "engine/SpeedRecord.h"

#include <QString>
#include <cstdint>

struct RunForecast {
    int32_t Clips = 0;   // clips that will become files
    int32_t Failing = 0; // clips the profile cannot take (or the engine cannot read)
    int64_t Bytes = 0;
    double Seconds = 0; // the expected conversion time

    void Add(const FileForecast &file, double convert_seconds);
};

// The run of these clips with the profile: each clip's file, and its time at the recorded speed.
RunForecast ForecastRun(const QList<ClipSource> &clips, const ProfileSettings &profile,
                        const SpeedRecord &speed);

// "40 s", "9 minutes", "2.5 hours".
QString DurationText(double seconds);
// "12 clips, 1.4 GB, about 9 minutes".
QString RunSummaryText(const RunForecast &run);

struct SpaceVerdict {
    bool Fits = true;
    QString Text; // "3.2 GB free" or "the files need 1.4 GB and the output folder has 800 MB free"
};

// Whether the run's files fit in free_bytes, with a margin of 1 % and 10 MB for the
// container's last bytes and whatever else writes to the disc meanwhile.
SpaceVerdict JudgeSpace(const RunForecast &run, int64_t free_bytes);
// The free space of the folder for an ordinary user; MAVO_FREE_BYTES stands in for it when set
// (tests fake a nearly full disc with it). -1 when unknown.
int64_t FolderFreeBytes(const QString &folder);
