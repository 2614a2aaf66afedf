#include "coder_trial.h"

namespace engine {

CoderTrial::~CoderTrial() {
    for (AVFrame *f : frames_)
        av_frame_free(&f);
    for (AVPacket *p : packets_)
        av_packet_free(&p);
}

bool CoderTrial::Keep(const AVFrame *f) {
    AVFrame *copy = av_frame_clone(f);
    if (copy == nullptr)
        return false;
    frames_.push_back(copy);
    samples_ += f->nb_samples;
    return true;
}

bool CoderTrial::Hold(AVPacket *pkt) {
    AVPacket *copy = av_packet_alloc();
    if (copy == nullptr)
        return false;
    av_packet_move_ref(copy, pkt);
    packets_.push_back(copy);
    return true;
}

bool CoderTrial::FellShort(const AVCodecContext *enc) const {
    constexpr size_t kFewestPackets = 20; // about half a second
    if (packets_.size() < kFewestPackets || enc->bit_rate <= 0 || enc->sample_rate <= 0)
        return false;
    const int frame = enc->frame_size > 0 ? enc->frame_size : 1024;
    double got = 0;
    for (const AVPacket *p : packets_)
        got += p->size * 8.0;
    const double wanted =
        static_cast<double>(enc->bit_rate) * frame * packets_.size() / enc->sample_rate;
    return got < 0.9 * wanted;
}

std::vector<AVFrame *> CoderTrial::TakeFrames() {
    active_ = false;
    std::vector<AVFrame *> out;
    out.swap(frames_);
    return out;
}

std::vector<AVPacket *> CoderTrial::TakePackets() {
    active_ = false;
    std::vector<AVPacket *> out;
    out.swap(packets_);
    return out;
}

} // namespace engine
