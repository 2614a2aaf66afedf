#pragma once
// How many bits a file of a given size leaves for its video. The engine meets a size target with
// this budget and the program chooses the frame and refuses clips too long with the same rule.

#include "FloatToInt.h"

#include <algorithm>
#include <cstdint>

// The share of the limit the streams may fill: the rest covers the container's index and
// headers and the rate control's last few percent.
inline constexpr double kSizeBudgetShare = 0.95;
// Below this the picture is no longer worth watching: such clips are refused, not converted.
inline constexpr int64_t kLeastVideoBitRate = 150000;

// Video bit/s for a clip of `seconds` with audio at `audio_bps`, filling `limit_bytes`; 0 when
// nothing is left for the video.
inline int64_t VideoBudget(int64_t limit_bytes, double seconds, int64_t audio_bps) {
    if (limit_bytes <= 0 || !(seconds > 0))
        return 0;
    const double per_second = limit_bytes * 8.0 * kSizeBudgetShare / seconds - audio_bps;
    return std::max<int64_t>(0, FloatToInt<int64_t>(per_second));
}

// The longest clip, in whole seconds, that still gets kLeastVideoBitRate within the limit.
inline int64_t LongestFitting(int64_t limit_bytes, int64_t audio_bps) {
    if (limit_bytes <= 0)
        return 0;
    const double bits = limit_bytes * 8.0 * kSizeBudgetShare;
    return FloatToInt<int64_t>(bits / static_cast<double>(kLeastVideoBitRate + audio_bps));
}
