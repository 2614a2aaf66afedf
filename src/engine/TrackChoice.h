#pragma once
// The tracks of a clip as the engine tells them: the sound tracks for the clip's menu, its details
// and the command line's --audio, and the engine's words for a video it cannot read.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct TrackReading {
    QStringList SoundLabels;    // "French, stereo (default)", in the file's order
    int32_t Chosen = -1;        // the sound track a conversion takes, 0-based; -1 none
    bool WantedMissing = false; // the track asked for is not in the clip
    int32_t SubtitleCount = 0;
    QStringList SubtitleLabels; // "French (default)", in the file's order
    QString VideoRefusal;       // "H.266/VVC video cannot be read"; empty when readable
};

// Asks the engine; `wanted` is a track number (1 the first) or a language code, empty for the
// engine's own choice. Nothing when the engine cannot tell (an engine without track lists, a file
// it cannot open).
std::optional<TrackReading> ReadTracks(const QString &path, const QString &wanted = {});

// Why the engine cannot read the clip's video, naming the codec; empty when it can, when the clip
// has no video, or when the engine cannot tell.
QString VideoRefusal(const QString &path);

// Whether the text can name a sound track: a number from 1 to 99, or a two- or three-letter
// language code.
bool IsTrackChoice(const QString &text);

// Whether the text is a subtitle choice the engine takes: none, keep, burn, burn:N, burn:LANG.
bool IsSubtitleChoice(const QString &text);

// "1: English, 5.1; 2: French, stereo (default)"; "none" for no tracks.
QString NumberedTracks(const QStringList &labels);
