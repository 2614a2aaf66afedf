// Text subtitles of the source kept in the output as MP4 timed text, each with its language.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <vector>

namespace engine {

struct SoftSubtitle {
    int in_index = -1;
    AVStream *ist = nullptr;
    AVStream *ost = nullptr;
    AVCodecContext *dec = nullptr;
    AVCodecContext *enc = nullptr;

    ~SoftSubtitle() {
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
    }
};

using SoftSubtitles = std::vector<std::unique_ptr<SoftSubtitle>>;

// Whether the stream holds text subtitles the engine keeps (SubRip, ASS/SSA, WebVTT, MP4 timed
// text).
bool IsTextSubtitle(const AVStream *st);

} // namespace engine
