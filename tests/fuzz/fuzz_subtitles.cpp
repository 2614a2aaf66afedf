// libFuzzer target for the engine's subtitles on mutated media.
//
// Each input is written to a work file and read the way a conversion reads it: the text subtitle
// tracks are set up for the output (kept as timed text, or one chosen to be burned in), every
// packet of the file goes through the engine's subtitle path into an MP4 held in memory, and the
// burn-in filters, when a text track was chosen, draw on a few small pictures with the file's own
// fonts; a track made of pictures is drawn on small frames over its first seconds.
// The choice comes from the input's last byte. Whatever the bytes, everything must return.

#include "FuzzCheck.h"
#include "burn_in.h"
#include "converter.h"
#include "engine_common.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/log.h>
}

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

namespace {

// Draws the burn-in filters on a second of tiny pictures.
void DrawPictures(const std::string &filters) {
    AVFilterGraph *graph = avfilter_graph_alloc();
    AVFilterInOut *in = nullptr, *out = nullptr;
    const std::string text = "color=s=64x48:r=10:d=1,format=yuv420p" + filters + ",nullsink";
    if (graph != nullptr && avfilter_graph_parse2(graph, text.c_str(), &in, &out) >= 0 &&
        avfilter_graph_config(graph, nullptr) >= 0) {
        for (int i = 0; i < 20 && avfilter_graph_request_oldest(graph) >= 0; ++i) {
        }
    }
    avfilter_inout_free(&in);
    avfilter_inout_free(&out);
    avfilter_graph_free(&graph);
}

// Draws the subtitles made of pictures on frames of two seconds, half of each frame a picture.
void DrawFrames(engine::BitmapSubtitles &drawn) {
    AVFrame *f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = 64;
    f->height = 48;
    if (av_frame_get_buffer(f, 0) >= 0)
        for (int64_t at = 0; at < 2 * AV_TIME_BASE; at += AV_TIME_BASE / 10)
            fuzz::Check(drawn.DrawOn(f, at, engine::DrawArea{8, 12, 48, 24}), "drawing");
    av_frame_free(&f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using fuzz::Check;
    static const std::string path = fuzz::WorkPath("subtitles");
    fuzz::WriteWhole(path, data, size);
    const char *const choices[] = {"keep", "burn", "burn:1", "burn:2", "burn:eng"};
    engine::Job job;
    job.input = path;
    job.subtitles = choices[size > 0 ? data[size - 1] % 5 : 0];
    engine::ConvertHooks hooks;
    engine::Converter c(job, hooks);
    std::string reason;
    if (engine::OpenInput(path.c_str(), &c.ic, reason, engine::ProbeSeconds()) < 0)
        return 0;
    c.video = std::make_unique<engine::Stage>(1);
    c.video->enc = avcodec_alloc_context3(nullptr);
    Check(c.video->enc != nullptr, "encoder context");
    c.video->enc->pix_fmt = AV_PIX_FMT_YUV420P;
    c.video->ist = c.ic->nb_streams > 0 ? c.ic->streams[0] : nullptr;
    Check(avformat_alloc_output_context2(&c.sh.oc, nullptr, "mp4", nullptr) >= 0, "muxer");
    if (!c.SetupSubtitles()) {
        Check(!c.sh.error.empty(), "a refusal without a reason");
        return 0;
    }
    if (!c.subtitles.empty() && avio_open_dyn_buf(&c.sh.oc->pb) >= 0) {
        if (avformat_write_header(c.sh.oc, nullptr) >= 0) {
            AVPacket *pkt = av_packet_alloc();
            while (pkt != nullptr && av_read_frame(c.ic, pkt) >= 0) {
                c.Subtitle(pkt);
                av_packet_unref(pkt);
            }
            av_packet_free(&pkt);
            av_write_trailer(c.sh.oc);
        }
        uint8_t *bytes = nullptr;
        avio_close_dyn_buf(c.sh.oc->pb, &bytes);
        c.sh.oc->pb = nullptr;
        av_free(bytes);
    }
    if (!c.video->burn_in.empty())
        DrawPictures(c.video->burn_in);
    if (c.video->drawn != nullptr)
        DrawFrames(*c.video->drawn);
    return 0;
}
