// Which subtitles are burned into the picture; text ones are drawn with libass.
#include "burn_in.h"
#include "drawn_subs.h"
#include "engine_common.h"
#include "subtitles.h"
#include "tracks.h"

#include <cstdlib>

namespace engine {

namespace {

// Backslashes before the characters a parsing level takes for itself.
std::string Escaped(std::string_view text, std::string_view special) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || special.find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

// Place of the stream among the file's subtitle streams, as the subtitles filter counts them.
int SubtitlePlace(const AVFormatContext *ctx, int index) {
    int place = 0;
    for (int i = 0; i < index; ++i)
        place += ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
    return place;
}

} // namespace

int BurnInStream(const AVFormatContext *ctx, std::string_view choice, std::string &reason) {
    const bool keep = choice == "keep";
    if (!keep && choice.substr(0, 4) != "burn")
        return -1;
    const std::string_view wanted = choice.size() > 5 ? choice.substr(5) : std::string_view();
    const long number = std::atol(std::string(wanted).c_str());
    int first = -1, place = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *st = ctx->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE)
            continue;
        ++place;
        const bool drawable = (IsTextSubtitle(st) || IsBitmapSubtitle(st)) && Decodable(st);
        const bool named = number > 0 ? place == number
                                      : !wanted.empty() && SameLanguage(StreamLanguage(st), wanted);
        if (named) {
            if (drawable)
                return static_cast<int>(i);
            reason = "subtitle track " + std::string(wanted) + " (" +
                     avcodec_get_name(st->codecpar->codec_id) + ") cannot be read";
            return -2;
        }
        if (drawable && wanted.empty() && (st->disposition & AV_DISPOSITION_FORCED))
            return static_cast<int>(i);
        if (drawable && first < 0)
            first = static_cast<int>(i);
    }
    if (keep)
        return -1;
    if (wanted.empty() && first >= 0)
        return first;
    reason = wanted.empty() ? "the input has no subtitles to burn in"
                            : "no subtitle track " + std::string(wanted) + " in the input";
    return -2;
}

std::string BurnInFilter(const AVFormatContext *ctx, int index, const std::string &input,
                         int64_t start_us) {
    // The pictures' times count from the start point; the subtitles' from the file's beginning.
    const std::string shift = Fixed(start_us / 1e6, 6, 0);
    const std::string options = "filename=" + Escaped("file:" + input, "':") +
                                ":si=" + std::to_string(SubtitlePlace(ctx, index));
    return ",setpts=PTS+" + shift + "/TB,subtitles=" + Escaped(options, "'[],;") + ",setpts=PTS-" +
           shift + "/TB";
}

} // namespace engine
