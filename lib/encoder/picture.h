// What the picture needs on its way from the source to the encoder: its colour (tone mapping of
// high dynamic range, or HDR kept), deinterlacing, and the times its frames keep.
#pragma once

#include "job.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixfmt.h>
}

#include <cstring>
#include <string>

namespace engine {

// A stream's colour field as a number: a damaged file may leave a value no member of the
// enumeration has, which must not be read as one.
template <typename E> int Raw(const E &e) {
    static_assert(sizeof(E) == sizeof(int));
    int v = 0;
    std::memcpy(&v, &e, sizeof v);
    return v;
}
// The field as the enumeration when its value is one below `count`, else `fallback`.
template <typename E> E Known(const E &e, int count, E fallback) {
    const int v = Raw(e);
    return v >= 0 && v < count ? static_cast<E>(v) : fallback;
}

enum class Transfer { Sdr, Pq, Hlg };

// The source's transfer: PQ (SMPTE ST 2084), HLG (ARIB STD-B67) or anything else.
Transfer SourceTransfer(const AVCodecParameters *par);

// Why a stream cannot be shown right without Dolby's own processing (Dolby Vision without a
// compatible base layer, as profile 5); empty when it can.
std::string DolbyVisionRefusal(const AVStream *st);

// " HDR HLG", " HDR PQ", with " Dolby Vision 8.4" when the stream carries its configuration;
// empty for ordinary video.
std::string DynamicRangeText(const AVStream *st);

// Whether the stream says its pictures are interlaced (by its field order).
bool FlaggedInterlaced(const AVCodecParameters *par);

// Interlacing found by looking: the first pictures of a stream whose field order is not known
// are run through the interlace detector. 0: progressive (or not looked at), 1: top field
// first, 2: bottom field first. Streams of codecs that are never interlaced and frames higher
// than 1088 lines are not looked at.
int DetectInterlacing(const char *path, int stream_index);

// Whether the stream is interlaced, flagged or found by looking.
inline bool Interlaced(const char *path, const AVStream *st) {
    return FlaggedInterlaced(st->codecpar) || DetectInterlacing(path, st->index) != 0;
}

// The high-dynamic-range facts x265 writes into the stream ("master-display=...:max-cll=..."),
// read from the first picture's side data; empty when it carries none.
std::string HdrMetadataParams(const char *path, int stream_index);

struct PicturePlan {
    Transfer source = Transfer::Sdr;
    bool tone_map = false; // HDR made SDR BT.709
    bool keep_hdr = false; // HDR kept in 10 bits
    AVColorPrimaries primaries = AVCOL_PRI_BT709;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_BT709;
    AVColorSpace matrix = AVCOL_SPC_BT709;
    AVPixelFormat pix_fmt = AV_PIX_FMT_YUV420P;
    // Deinterlacing: none, by the pictures' own flags, or all pictures with a parity found.
    enum class Deinterlace { None, Flagged, TopFirst, BottomFirst } deinterlace = Deinterlace::None;
    bool keep_times = false;  // frame times kept, the rate a ceiling only
    AVRational ceiling{0, 1}; // 0: no ceiling
    // The source's colour as the tone mapping reads it (filled in where the stream is silent).
    AVColorPrimaries in_primaries = AVCOL_PRI_BT2020;
    AVColorSpace in_matrix = AVCOL_SPC_BT2020_NCL;
    AVColorRange in_range = AVCOL_RANGE_MPEG;
};

// The plan for the job's video from the source stream. The encoder's pixel format is the one
// its encoder prefers for 8-bit pictures; HDR kept makes it 10-bit.
PicturePlan PlanPicture(const Job &job, const char *path, const AVStream *st);

// MPEG-4 Part 2 headers as FFmpeg's encoder writes them say nothing of colour, and the 3GP, PSP
// and iPod containers have no box for it: the visual object header of the encoder's global header
// gets the video signal type with the encoder's primaries, transfer and matrix in studio range.
// False when out of memory; a header not as expected is left alone.
bool StateMpeg4Colour(AVCodecContext *e);

// The filters before the turn and scale (deinterlacing), and those after the scale (tone mapping),
// as filter-graph text; each empty or ending in a comma.
std::string DeinterlaceFilters(const PicturePlan &plan);
std::string ColourFilters(const PicturePlan &plan);

// Whether a picture `rel` ticks (time base `tb`) after the start point is kept under the plan's
// frame times: later than the last kept one and, under a ceiling, the first in its slot of
// 1/ceiling seconds. Updates the last kept slot and time.
bool KeepPictureAt(const PicturePlan &plan, int64_t rel, AVRational tb, int64_t &last_slot,
                   int64_t &last_rel);

} // namespace engine
