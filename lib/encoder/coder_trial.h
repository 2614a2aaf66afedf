// Choosing the AAC coder by trying the faster one on the first seconds of a clip.
//
// FFmpeg's AAC encoder has two coders worth using. "fast" takes about half the time of
// "twoloop" on noise-like and music-like sound, but on tonal or sparse sound (a pure tone, a
// sweep) it cannot spend the bits it is given: it falls well short of the bit rate and re-codes
// each frame up to five times, taking longer than "twoloop". So the first seconds are coded with
// "fast" and held back; when they fall short of the bit rate by more than a tenth, the clip is
// coded with "twoloop" from its beginning instead, from the same frames.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <vector>

namespace engine {

class CoderTrial {
public:
    static constexpr double kSeconds = 3.0;

    CoderTrial() = default;
    CoderTrial(const CoderTrial &) = delete;
    CoderTrial &operator=(const CoderTrial &) = delete;
    ~CoderTrial();

    bool Active() const { return active_; }
    // A reference to a frame sent to the encoder during the trial; false when out of memory.
    bool Keep(const AVFrame *f);
    // A packet the encoder gave during the trial (its data move into the trial).
    bool Hold(AVPacket *pkt);
    // Enough sound has been kept to judge the coder.
    bool Due(int sample_rate) const { return samples_ >= kSeconds * sample_rate; }
    // Whether the held packets fell short of the encoder's bit rate by more than a tenth. Too
    // little to judge (a clip of a few frames) counts as not short.
    bool FellShort(const AVCodecContext *enc) const;
    // Ends the trial and hands over what it kept; the caller frees the items.
    std::vector<AVFrame *> TakeFrames();
    std::vector<AVPacket *> TakePackets();

private:
    bool active_ = true;
    int64_t samples_ = 0;
    std::vector<AVFrame *> frames_;
    std::vector<AVPacket *> packets_;
};

} // namespace engine
