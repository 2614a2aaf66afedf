// More than two channels made into stereo or mono without clipping.
#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <string>

namespace engine {

struct Downmix {
    std::string mix;     // before resampling: the channels weighted into stereo; "" for none
    std::string limiter; // after resampling: keeps the peaks below full scale; "" for none
};

// The filters that bring `in` down to `out_channels`. Centre and surrounds go in at -3 dB, the
// low-frequency channel is left out, as the usual downmix does; a limiter then keeps the peaks at
// -1 dBFS, so that a loud source does not clip while a normal one keeps its level. Nothing when
// the source has two channels or fewer, or the output keeps them all.
Downmix PlanDownmix(const AVChannelLayout &in, int out_channels);

} // namespace engine
