// Subtitles made of pictures (Blu-ray PGS, DVD, DVB) drawn into the output's pictures.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace engine {

// Whether the stream holds subtitles made of pictures.
bool IsBitmapSubtitle(const AVStream *st);

// Where the picture lies in the output frame (between its bands), and how its colours are coded.
struct DrawArea {
    int x = 0, y = 0, w = 0, h = 0;
    AVColorSpace matrix = AVCOL_SPC_BT709;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_BT709;
};

class BitmapSubtitles {
public:
    BitmapSubtitles() = default;
    ~BitmapSubtitles();
    BitmapSubtitles(const BitmapSubtitles &) = delete;
    BitmapSubtitles &operator=(const BitmapSubtitles &) = delete;

    // Opens the file a second time to read its subtitle stream `index` from `start_us`
    // (microseconds into the file) on; the pictures' canvas is the video's size (`video_w` x
    // `video_h`) unless the stream says otherwise. False with `reason` when it cannot.
    bool Open(const std::string &path, int index, int64_t start_us, int video_w, int video_h,
              std::string &reason);

    // Whether frames of this pixel format can be drawn on: planar YUV of 8 to 16 bits.
    static bool Drawable(AVPixelFormat format);

    // Draws on `f` what shows `at_us` microseconds into the file. False when out of memory.
    bool DrawOn(AVFrame *f, int64_t at_us, const DrawArea &area);

private:
    struct Event {
        int64_t from = 0, to = INT64_MAX; // microseconds into the file
        AVSubtitle sub{};
    };
    // One picture of the shown event at the output's size: luma, chroma and opacity, 8 bits
    // a sample, at full resolution.
    struct Piece {
        int x = 0, y = 0, w = 0, h = 0;
        int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0; // the part inside the picture
        std::vector<uint8_t> y_, u_, v_, a_;
    };

    void ReadUntil(int64_t at_us);
    void Decoded(AVSubtitle &sub, const AVPacket *pkt);
    void DropFront();
    bool Render(const Event &e, const AVFrame *f, const DrawArea &area);
    bool RenderRect(const AVSubtitleRect &r, double scale, int ox, int oy, const AVFrame *f,
                    const DrawArea &area);
    void Blend(AVFrame *f, const Piece &p) const;

    AVFormatContext *ic_ = nullptr;
    AVCodecContext *dec_ = nullptr;
    AVPacket *pkt_ = nullptr;
    int index_ = -1;
    bool ended_ = false;
    int canvas_w_ = 0, canvas_h_ = 0;
    std::deque<Event> events_;
    // The event whose pictures `pieces_` hold (by its start), drawn for frames of one size.
    int64_t rendered_from_ = INT64_MIN;
    int rendered_w_ = 0, rendered_h_ = 0;
    std::vector<Piece> pieces_;
};

} // namespace engine
