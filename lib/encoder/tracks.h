// The sound tracks of a clip, which one a conversion takes, and why a video cannot be read.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <string>
#include <string_view>

namespace engine {

// Whether the engine has a decoder for the stream.
bool Decodable(const AVStream *st);

// The file's language code of a stream (ISO 639-2 as containers write it), "" when none or
// "und".
std::string StreamLanguage(const AVStream *st);

// Whether two language codes name the same language: "fr", "fre" and "fra" all do.
bool SameLanguage(std::string_view a, std::string_view b);

// The user's language from LANGUAGE (its first entry) or LANG: "fr" for "fr_FR.UTF-8"; ""
// for C, POSIX or nothing.
std::string UserLanguage();

// "French, stereo (default)": the language (or "Unknown language"), the channels, the flags
// (default, forced) and "(cannot be read)" for a track without a decoder.
std::string TrackLabel(const AVStream *st);

// The sound track a conversion takes, as a stream index, with its decoder. `wanted` empty: the
// track flagged default when there is exactly one, else one in the user's language, else the
// first. Otherwise a number (1 is the first sound track) or a two- or three-letter language
// code. -1 when the clip has no sound; -2 when the wanted track is not there (`reason` says so
// and names the tracks there are).
int ChooseAudio(AVFormatContext *ctx, std::string_view wanted, const AVCodec **decoder,
                std::string &reason);

// Why the clip's video cannot be read: "H.266/VVC video cannot be read" when it has a video
// stream but none the engine can decode; "" otherwise (readable video, or none at all).
std::string UnreadableVideo(const AVFormatContext *ctx);

} // namespace engine
