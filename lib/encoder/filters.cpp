// The filter graphs of the video and audio stages, built for the frames as they arrive.
#include "converter.h"
#include "downmix.h"
#include "engine_common.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

namespace engine {

namespace {

// Puts the filter chain between the stage's source and sink and configures the graph.
bool LinkChain(Stage &s, const std::string &chain) {
    AVFilterInOut *outputs = avfilter_inout_alloc();
    AVFilterInOut *inputs = avfilter_inout_alloc();
    bool ok = outputs != nullptr && inputs != nullptr;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = s.src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = s.sink;
        ok = avfilter_graph_parse_ptr(s.graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(s.graph, nullptr) >= 0;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    return ok;
}

// A fresh graph with its source (arguments `args`) and sink; false when out of memory.
bool NewGraph(Stage &s, const char *source, const char *sink, const std::string &args) {
    avfilter_graph_free(&s.graph);
    s.graph = avfilter_graph_alloc();
    if (s.graph == nullptr)
        return false;
    s.graph->nb_threads = 1;
    return avfilter_graph_create_filter(&s.src, avfilter_get_by_name(source), "in", args.c_str(),
                                        nullptr, s.graph) >= 0 &&
           avfilter_graph_create_filter(&s.sink, avfilter_get_by_name(sink), "out", nullptr,
                                        nullptr, s.graph) >= 0;
}

std::string Ratio(int num, int den, char sep) {
    return std::to_string(num) + sep + std::to_string(den);
}

// Deinterlacing, frame rate, turn, scale, burned-in subtitles, bands, pixel format: the picture
// as the encoder (or, for HDR, the tone mapping) takes it.
std::string VideoChain(const Stage &s, const Job &job, const AVFrame *f) {
    const int W = s.enc->width, H = s.enc->height;
    const int iw = W - job.pad_left - job.pad_right, ih = H - job.pad_top - job.pad_bottom;
    std::string chain = DeinterlaceFilters(s.plan);
    if (!s.plan.keep_times)
        chain += "fps=fps=" + Ratio(s.rate.num, s.rate.den, '/') + ",";
    if (s.rotation == 90)
        chain += "transpose=clock,";
    else if (s.rotation == 180)
        chain += "hflip,vflip,";
    else if (s.rotation == 270)
        chain += "transpose=cclock,";
    // Shrinking to half or less: area averaging, a fraction of bicubic's cost at these factors
    // and no less sharp; otherwise bicubic.
    const bool turned = s.rotation == 90 || s.rotation == 270;
    const int src_w = turned ? f->height : f->width, src_h = turned ? f->width : f->height;
    const bool shrink = iw * 2 <= src_w && ih * 2 <= src_h;
    // The scale brings studio range, unless the tone mapping after the graph reads the source's
    // own: it takes the source's 10-bit pictures at the output's size.
    chain += "scale=w=" + std::to_string(iw) + ":h=" + std::to_string(ih) +
             (shrink ? ":flags=area" : ":flags=bicubic") +
             (s.plan.tone_map ? "" : ":out_range=tv") + ",setsar=1";
    chain += s.burn_in; // subtitles burned in, drawn at the output size (burn_in.cpp)
    if (iw != W || ih != H)
        chain += ",pad=w=" + std::to_string(W) + ":h=" + std::to_string(H) +
                 ":x=" + std::to_string(job.pad_left) + ":y=" + std::to_string(job.pad_top) +
                 ":color=black";
    return chain + ",format=pix_fmts=" +
           av_get_pix_fmt_name(s.plan.tone_map ? AV_PIX_FMT_YUV420P10LE : s.enc->pix_fmt);
}

} // namespace

bool Converter::BuildVideoGraph(const AVFrame *f) {
    Stage &s = *video;
    AVRational sar = f->sample_aspect_ratio.num > 0 ? f->sample_aspect_ratio : AVRational{1, 1};
    std::string args = "video_size=" + Ratio(f->width, f->height, 'x') +
                       ":pix_fmt=" + std::to_string(f->format) +
                       ":time_base=" + Ratio(s.ist->time_base.num, s.ist->time_base.den, '/') +
                       ":pixel_aspect=" + Ratio(sar.num, sar.den, '/');
    bool ok = NewGraph(s, "buffer", "buffersink", args) && LinkChain(s, VideoChain(s, job, f));
    s.gw = f->width;
    s.gh = f->height;
    s.gfmt = f->format;
    return ok;
}

bool Converter::BuildAudioGraph(const AVFrame *f) {
    Stage &s = *audio;
    char layout[128] = {};
    av_channel_layout_describe(&f->ch_layout, layout, sizeof layout);
    std::string args = "time_base=1/" + std::to_string(f->sample_rate) +
                       ":sample_rate=" + std::to_string(f->sample_rate) + ":sample_fmt=" +
                       av_get_sample_fmt_name(static_cast<AVSampleFormat>(f->format)) +
                       ":channel_layout=" + layout;
    if (!NewGraph(s, "abuffer", "abuffersink", args))
        return false;
    char out_layout[128] = {};
    av_channel_layout_describe(&s.enc->ch_layout, out_layout, sizeof out_layout);
    std::string chain = "atrim=start=0";
    if (job.volume != 100)
        chain += ",volume=volume=" + Fixed(job.volume / 100.0, 2, 0);
    const Downmix downmix = PlanDownmix(f->ch_layout, s.enc->ch_layout.nb_channels);
    if (!downmix.mix.empty())
        chain += "," + downmix.mix;
    chain += ",aresample=" + std::to_string(s.enc->sample_rate);
    if (!downmix.limiter.empty())
        chain += "," + downmix.limiter;
    chain += ",aformat=sample_fmts=" + std::string(av_get_sample_fmt_name(s.enc->sample_fmt)) +
             ":sample_rates=" + std::to_string(s.enc->sample_rate) +
             ":channel_layouts=" + out_layout;
    bool ok = LinkChain(s, chain);
    if (ok && !(s.enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
        s.enc->frame_size > 0)
        av_buffersink_set_frame_size(s.sink, static_cast<unsigned>(s.enc->frame_size));
    s.grate = f->sample_rate;
    s.gfmt = f->format;
    av_channel_layout_uninit(&s.glayout);
    av_channel_layout_copy(&s.glayout, &f->ch_layout);
    return ok;
}

} // namespace engine
