// Subtitles drawn into the picture.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <string>
#include <string_view>

namespace engine {

// The subtitle stream to burn in for the job's choice: "burn" takes the track flagged forced, else
// the first readable track (text or pictures); "burn:N" the Nth subtitle track (1 the first);
// "burn:LANG" the first in that language; "keep" only a track flagged forced. -1 when none is to
// be burned; -2 when the choice names no track that can be drawn (`reason` says why).
int BurnInStream(const AVFormatContext *ctx, std::string_view choice, std::string &reason);

// The filters that draw the text subtitles of stream `index` of `input` with libass, with the
// fonts attached to the file, on pictures whose times start at the start point (`start_us`
// microseconds into the file).
std::string BurnInFilter(const AVFormatContext *ctx, int index, const std::string &input,
                         int64_t start_us);

} // namespace engine
