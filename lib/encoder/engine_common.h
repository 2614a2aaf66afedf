// Pieces shared by the information, thumbnail and conversion parts of the engine.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Opens a local file for reading. Only regular files are read, after following a symbolic link;
// anything else is refused at once. Only the file protocol is allowed and only demuxers that read
// the one file they are given (no playlists, no concatenation lists, no image sequences). On
// failure the result is a negative AVERROR and `reason` says why in words.
//
// With a probe limit, opening and reading the stream headers give up after that many seconds of
// work (a damaged header can send the readers on a long search), or after fifteen times that of
// waiting for reads: the information and thumbnail calls answer within it whatever the file
// holds, and a slow disk or share is waited for; past the limit the answer is AVERROR_EXIT. A
// conversion passes none.
int OpenInput(const char *path, AVFormatContext **ctx, std::string &reason,
              double probe_seconds = 0);

// The information and thumbnail calls' probe limit: 2 s, ten times that in the sanitizer builds,
// which run that much slower; MAVO_ENGINE_PROBE_SECONDS overrides it.
double ProbeSeconds();

// The best video (or audio) stream with a decoder, chosen by FFmpeg's own rules, never by index.
// Attached pictures (cover art) do not count as video. -1 when there is none.
int BestStream(AVFormatContext *ctx, AVMediaType type, const AVCodec **decoder = nullptr);

// Rotation of the picture as stored, in degrees clockwise, one of 0, 90, 180, 270.
int StreamRotation(const AVStream *st);

// Display size: stored size corrected by the sample aspect ratio, then turned by the rotation.
void DisplaySize(const AVStream *st, int &width, int &height);

// The clip's duration in seconds, from the container, the streams or, when neither knows it
// (SWF, raw H.264), from the packet timestamps. Negative when nothing is known. Call it right
// after OpenInput: it may read the whole file, and the context is then at its end.
double ClipDuration(AVFormatContext *ctx);

// Locale-independent number reading: a decimal prefix of the text as `std::from_chars` reads it.
// Leading blanks are skipped; `rest` gets what follows the number.
std::optional<double> ReadNumber(std::string_view text, std::string_view *rest = nullptr);

// Seconds from "12", "12.5", "MM:SS", "HH:MM:SS[.f]" (hours may pass 24). Empty optional when the
// text does not fit.
std::optional<double> ParseTime(std::string_view text);

// `v` with `precision` decimals, locale-free, padded with blanks on the left to `width`; NaN and
// infinities are written as 0.
std::string Fixed(double v, int precision, size_t width);
// `v` padded with blanks on the left to `width`.
std::string Padded(int64_t v, size_t width);

// The stream's number of channels; 0 when a damaged header says less.
inline int Channels(const AVCodecParameters *p) {
    return p->ch_layout.nb_channels > 0 ? p->ch_layout.nb_channels : 0;
}

// An integer from the environment, `fallback` when unset or not a number.
int EnvInt(const char *name, int fallback);

// FFmpeg's error text.
std::string ErrorText(int err);
// Why the output file could not be made, written or finished ("cannot write the output file"),
// with the cause in words for the faults a user can mend: a full disk, a folder that may not be
// written or that is gone.
std::string OutputFailure(const std::string &what, int err);

} // namespace engine
