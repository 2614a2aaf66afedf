#pragma once
// The sizes and paces the trials of this program's life have measured, by clip and profile, and
// the forecast of a clip's file that uses them (see SizeTrial.h for how a trial is made).

#include "engine/OutputForecast.h"
#include "engine/SpeedRecord.h"

#include <QString>
#include <optional>

// What each part of a trial, and each clip, costs apart from its length: opening the file,
// starting the encoders, writing the index. About 0.1 s on two cores, from trials of small and
// large pictures against their whole clips (with 0.4 s a clip of 95 s was expected to take 0.56
// of its real time; with nothing, one of 70 s 2.3 times its time).
inline constexpr double kTrialPartSeconds = 0.1;

// What a trial measured: the bytes a second of its files, and whether it converted the whole clip.
struct TrialRate {
    double BytesPerSecond = 0;
    bool Whole = false;
    double Pace = 0;    // seconds of conversion a second of the clip took
    double Seconds = 0; // the length of the trial's files
};

// What a measurement is kept under: the clip's file, marks and tracks, and the profile.
QString ProfileKey(const ProfileSettings &profile);
QString TrialKey(const ClipSource &clip, const ProfileSettings &profile);
void KeepMeasuredRate(const QString &key, const TrialRate &rate);
// The rate measured for the clip with the profile, if any.
std::optional<TrialRate> MeasuredRate(const QString &key);

// The file's size from a measured rate over the clip's length. Windows of a clip are taken at
// their word only below the profile's rates (or a size limit's budget): where the picture fills
// them, the encoder settles on them over the whole clip, and they tell its size more closely.
void ApplyMeasuredRate(FileForecast &file, const TrialRate &rate);
// The clip's file, its size measured when a trial has measured it.
FileForecast ForecastClip(const ClipSource &clip, const ProfileSettings &profile,
                          const DeviceRow &device);

// The time this machine will take for the file: at the pace its trial showed, which counts the
// source's decoding and the picture's filters too, else at the encoder's recorded speed.
double ExpectedSeconds(const FileForecast &file, const SpeedRecord &speed, const QString &encoder);
