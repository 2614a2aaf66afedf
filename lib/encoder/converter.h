// The parts of one conversion, shared by the files that set it up, run its stages and judge it.
#pragma once

#include "coder_trial.h"
#include "convert.h"
#include "drawn_subs.h"
#include "halve.h"
#include "handoff.h"
#include "picture.h"
#include "subtitles.h"
#include "tonemap.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace engine {

// What the stage threads share: the first failure, the muxer and the figures of the status line.
struct Shared {
    std::atomic<bool> abort{false};
    std::mutex error_mutex;
    std::string error;
    std::mutex mux_mutex;
    AVFormatContext *oc = nullptr;
    int64_t packets_written = 0;
    std::atomic<int64_t> frames{0};
    std::atomic<double> q{0};
    std::atomic<double> video_time{0};
    std::atomic<double> audio_time{0};
    std::atomic<bool> read_error{false};
    // Processor seconds spent on each stage's own thread (decoder helper threads not included).
    std::atomic<double> demux_cpu{0}, video_cpu{0}, audio_cpu{0};

    void Fail(const std::string &reason) {
        {
            std::lock_guard lock(error_mutex);
            if (error.empty())
                error = reason;
        }
        abort = true;
    }
    int64_t Bytes() {
        std::lock_guard lock(mux_mutex);
        return oc != nullptr && oc->pb != nullptr ? std::max<int64_t>(avio_tell(oc->pb), 0) : 0;
    }
};

// One stream's way from the demuxer to the muxer: decoder, filter graph, encoder.
struct Stage {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    int in_index = -1;
    AVStream *ist = nullptr;
    AVStream *ost = nullptr;
    AVCodecContext *dec = nullptr;
    AVCodecContext *enc = nullptr;
    AVFilterGraph *graph = nullptr;
    AVFilterContext *src = nullptr;
    AVFilterContext *sink = nullptr;
    HandOff<AVPacket> queue;
    // Decoded pictures on their way to the filter-and-encode thread (video only).
    HandOff<AVFrame> pictures{6};
    std::atomic<bool> done{false};      // wants no more input
    std::atomic<bool> finished{false};  // has written all it will
    std::atomic<bool> limit_hit{false}; // produced all it should
    int64_t start_pts = 0;              // the start point in the input stream's time base
    int64_t limit = INT64_MAX;          // frames (video) or samples (audio) to produce
    int64_t produced = 0;
    int64_t last_in_pts = AV_NOPTS_VALUE;
    int64_t end_pts = AV_NOPTS_VALUE; // where the last frame fed to the filters ends
    int64_t decoded = 0;              // pictures the decoder gave, wanted or not
    // The latest picture while none has come out yet: a clip shorter than one output frame
    // still shows it.
    AVFrame *fallback = nullptr;
    int64_t audio_offset = AV_NOPTS_VALUE;
    // The frame properties the filter graph was built for.
    int gw = 0, gh = 0, gfmt = -1, grate = 0;
    AVChannelLayout glayout{};
    // Output picture.
    int rotation = 0;
    AVRational rate{25, 1};
    int pic_w = 0, pic_h = 0; // the picture between the bands, upright
    // Colour, deinterlacing and frame times; under kept times the last picture let through.
    PicturePlan plan;
    int64_t last_slot = AV_NOPTS_VALUE, last_kept = AV_NOPTS_VALUE;
    int64_t frames_out = 0;
    AVFrame *held = nullptr; // the last picture let through, to hold until the clip's end
    // Tone mapping: the table, built from the first picture, and the mapped picture.
    ToneMapTable tone;
    AVFrame *mapped = nullptr;
    // Halved copies of large pictures on their way to the filters.
    HalfPool half_pool;
    AVFrame *half[2] = {nullptr, nullptr};
    // The AAC coder on trial (audio with FFmpeg's aac encoder only).
    std::unique_ptr<CoderTrial> trial;
    const char *coder = ""; // the AAC coder in use, for the stage profile
    // Video only: the filters that draw text subtitles into the picture at the output size ("" for
    // none), or the subtitles made of pictures drawn on each frame after the filters.
    std::string burn_in;
    std::unique_ptr<BitmapSubtitles> drawn;

    explicit Stage(size_t cap) : queue(cap) {}
    ~Stage() {
        av_frame_free(&fallback);
        av_frame_free(&held);
        av_frame_free(&mapped);
        av_frame_free(&half[0]);
        av_frame_free(&half[1]);
        avfilter_graph_free(&graph);
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
        av_channel_layout_uninit(&glayout);
    }
};

struct Converter {
    const Job &job;
    const ConvertHooks &hooks;
    Shared sh;
    AVFormatContext *ic = nullptr;
    std::unique_ptr<Stage> video, audio;
    bool header_written = false;
    bool created_output = false;
    uint64_t out_dev = 0, out_ino = 0; // the file created at the output path
    double source_duration = -1;
    double declared_duration = -1;
    int64_t start_base = 0, start_target = 0;
    bool input_ended = false;

    Converter(const Job &j, const ConvertHooks &h) : job(j), hooks(h) {}
    ~Converter() {
        video.reset();
        audio.reset();
        if (sh.oc != nullptr) {
            if (sh.oc->pb != nullptr)
                avio_closep(&sh.oc->pb);
            avformat_free_context(sh.oc);
        }
        avformat_close_input(&ic);
        avformat_free_context(silence_source);
    }

    // Opening and setup (setup.cpp).
    bool Setup();
    bool OpenSource(int &vi, const AVCodec *&vdec, int &ai, const AVCodec *&adec);
    bool SeekToStart(int &vi, const AVCodec *&vdec, int &ai, const AVCodec *&adec);
    bool CheckOutputPath();
    bool CreateOutputFile();
    bool OutputStillThere() const;
    bool OpenOutput(int vi, const AVCodec *vdec, int ai, const AVCodec *adec);
    AVStream *AddSilence(const AVCodec *&adec);
    // Silence for a container that must have sound: whether the sound is made so, the context
    // that holds its stream, the samples handed on so far, and how far the pictures read reach
    // (seconds from the start point).
    static constexpr int kSilenceRate = 48000;
    bool silent = false;
    AVFormatContext *silence_source = nullptr;
    int64_t silence_samples = 0;
    double pictures_reach = 0;
    void FeedSilence(double until);
    void SetLimits();
    bool SetupVideo(int index, const AVCodec *decoder);
    bool VideoEncoder(Stage &s, int W, int H);
    bool SetupAudio(AVStream *ist, const AVCodec *decoder);
    bool AudioEncoder(Stage &s, const AVCodec *ec);
    bool ReopenAudio(Stage &s, const char *coder);
    const AVCodec *NewEncoder(Stage &s, const std::string &name);
    bool OpenEncoder(Stage &s, const AVCodec *ec, const std::string &name, AVDictionary **opts);

    // Filter graphs (filters.cpp).
    bool BuildVideoGraph(const AVFrame *f);
    bool BuildAudioGraph(const AVFrame *f);

    // The stage threads (stages.cpp) and the encoders' side (encode.cpp).
    void Demux();
    Stage *Wanting(const AVPacket *pkt);
    void RunStage(Stage &s);
    bool DecodePackets(Stage &s, AVFrame *f);
    void RunPictures(Stage &s);
    void FinishStage(Stage &s);
    AVFrame *Shrunk(Stage &s, AVFrame *f);
    bool Decoded(Stage &s, AVFrame *f);
    bool VideoDecoded(Stage &s, AVFrame *&f, int64_t pts, int64_t prev_pts);
    bool AudioDecoded(Stage &s, AVFrame *f, int64_t rel);
    bool KeepReference(AVFrame *&slot, const AVFrame *f);
    bool HoldLastPicture(Stage &s);
    bool OnePicture(Stage &s);
    bool Drain(Stage &s);
    bool Filtered(Stage &s, AVFrame *f);
    AVFrame *ToneMapped(Stage &s, AVFrame *f);
    bool DrawSubtitles(Stage &s, AVFrame *f, int64_t pts);
    // Ends the stage's graph and passes on everything it still holds.
    bool FlushGraph(Stage &s) { return av_buffersrc_add_frame(s.src, nullptr) >= 0 && Drain(s); }
    bool Encode(Stage &s, AVFrame *f);
    bool EncodeAudio(Stage &s, AVFrame *f);
    bool EndTrial(Stage &s, bool at_end);
    bool Write(Stage &s, AVPacket *pkt);

    // The run and its outcome (convert.cpp).
    std::string Status(std::chrono::steady_clock::time_point began);
    double Reached() const { return std::max(sh.video_time.load(), sh.audio_time.load()); }

    // Text subtitles kept as timed text (subtitles.cpp).
    SoftSubtitles subtitles;
    bool SetupSubtitles();
    // Sets up the drawing of subtitle stream `index` into the picture.
    bool BurnIn(int index);
    // True when the packet belonged to a kept subtitle track (and was written if it fell in
    // the clip).
    bool Subtitle(AVPacket *pkt);
    void WriteSubtitle(SoftSubtitle &t, const AVSubtitle &sub, int64_t from, int64_t length);
    // Writes the kept tracks' cues that begin before the start point and show past it.
    void CuesBeforeStart();
    bool cues_before_start = false; // read: the packets before the start point are done
};

// Processor time of the calling thread, for the optional stage profile.
double ThreadSeconds();

} // namespace engine
