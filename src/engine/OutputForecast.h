#pragma once
// The file a clip will become, told before it is converted: its frame, frame rate, size, the
// time this machine needs for it, and whether the device will play it. The frame follows the
// engine's own fitting rule (lib/common/FitRule.h) and the size the profile's rates, or the size
// limit of a size-capped profile; the verdict is the read-back check applied to the facts the
// file will have.

#include "engine/JobArguments.h"
#include "profiles/DeviceTable.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// What the engine told of a clip, and the part of it that is converted.
struct SourceFacts {
    int32_t Width = 0; // the display size
    int32_t Height = 0;
    double Fps = 0;     // 0 when the engine did not say
    double Seconds = 0; // the length between the marks
    bool HasAudio = true;
    QString Transfer; // "smpte2084", "arib-std-b67" for PQ and HLG; anything else is SDR
};

struct FileForecast {
    int32_t Width = 0;
    int32_t Height = 0;
    double Fps = 0;
    int64_t VideoBitRate = 0; // bit/s
    int64_t AudioBitRate = 0;
    int64_t Bytes = 0;
    double Seconds = 0;   // the clip's length
    bool Converts = true; // false: the profile cannot take the clip (Verdict says why)
    bool Plays = false;
    bool Measured = false; // the size from a trial conversion, not from the profile's rates
    double Pace = 0;       // seconds of conversion a second of the clip took in a trial; 0 none
    QString Verdict;       // "plays on iPod", or what keeps the file from playing or being made
    // The encoder's pixels the file holds: width x height x frames.
    double Pixels() const { return double(Width) * Height * Fps * Seconds; }
    QString FrameText() const { return QStringLiteral("%1x%2").arg(Width).arg(Height); }
};

// What the container adds to the streams: its index and the boxes of each sample, measured on
// the engine's own MP4 files (about 1 %).
inline constexpr double kContainerShare = 1.01;

// Whether an audio format the engine reported is a sound track: not empty, "unknown" or "none".
bool HasSound(const QString &audio_format);
// What a clip of the list tells of its source, between its marks.
SourceFacts FactsOf(const ClipSource &clip);

// The file of a clip for the device's profile.
FileForecast ForecastFile(const SourceFacts &source, const ProfileSettings &profile,
                          const DeviceRow &device);

// "1.4 GB", "230 MB", "12.5 MB", "800 KB".
QString SizeText(int64_t bytes);
// "720x1280, 30 fps, 12.5 MB", the entry of a clip in the list; or why it cannot be made.
QString ForecastText(const FileForecast &forecast);
