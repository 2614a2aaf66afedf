// The downmix of surround sound to stereo and its limiter.
#include "downmix.h"
#include "engine_common.h"

namespace engine {

namespace {

constexpr double kHalfPower = 0.7071; // -3 dB

// How much of one input channel goes to the left and to the right output.
void Weights(AVChannel ch, double &left, double &right) {
    left = right = 0;
    switch (ch) {
    case AV_CHAN_FRONT_LEFT:
    case AV_CHAN_FRONT_LEFT_OF_CENTER:
        left = 1;
        return;
    case AV_CHAN_FRONT_RIGHT:
    case AV_CHAN_FRONT_RIGHT_OF_CENTER:
        right = 1;
        return;
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2:
        return;
    case AV_CHAN_FRONT_CENTER:
        left = right = kHalfPower;
        return;
    case AV_CHAN_BACK_LEFT:
    case AV_CHAN_SIDE_LEFT:
    case AV_CHAN_WIDE_LEFT:
    case AV_CHAN_SURROUND_DIRECT_LEFT:
    case AV_CHAN_TOP_FRONT_LEFT:
    case AV_CHAN_TOP_BACK_LEFT:
    case AV_CHAN_TOP_SIDE_LEFT:
        left = kHalfPower;
        return;
    case AV_CHAN_BACK_RIGHT:
    case AV_CHAN_SIDE_RIGHT:
    case AV_CHAN_WIDE_RIGHT:
    case AV_CHAN_SURROUND_DIRECT_RIGHT:
    case AV_CHAN_TOP_FRONT_RIGHT:
    case AV_CHAN_TOP_BACK_RIGHT:
    case AV_CHAN_TOP_SIDE_RIGHT:
        right = kHalfPower;
        return;
    default:
        // Back centre, the top centres and channels without a place: half to each side.
        left = right = 0.5;
        return;
    }
}

// "1.0000*c0+0.7071*c2": the sum of the channels that reach one side.
std::string Side(const AVChannelLayout &layout, bool left_side) {
    std::string sum;
    for (int i = 0; i < layout.nb_channels; ++i) {
        double left = 0, right = 0;
        Weights(av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(i)), left,
                right);
        const double w = left_side ? left : right;
        if (w <= 0)
            continue;
        if (!sum.empty())
            sum += "+";
        sum += Fixed(w, 4, 0) + "*c" + std::to_string(i);
    }
    return sum.empty() ? "0*c0" : sum;
}

} // namespace

Downmix PlanDownmix(const AVChannelLayout &in, int out_channels) {
    const int n = in.nb_channels;
    if (n <= 2 || out_channels >= n || out_channels > 2)
        return {};
    AVChannelLayout layout{};
    // Channels in no known order are taken in the usual order for their number.
    if (in.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, n);
    else
        av_channel_layout_copy(&layout, &in);
    Downmix d;
    d.mix = "pan=stereo|c0=" + Side(layout, true) + "|c1=" + Side(layout, false);
    av_channel_layout_uninit(&layout);
    // -1 dBFS leaves room for the ripple lossy coding adds to a limited peak; the delay of the
    // look-ahead is taken back so the sound stays with the picture.
    d.limiter = "alimiter=limit=0.8913:level=0:latency=1";
    return d;
}

} // namespace engine
