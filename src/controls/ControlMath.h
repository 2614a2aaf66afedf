#pragma once
// Integer helpers shared by the scroll and slider arithmetic.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/FloatToInt.h"

// lo when hi < lo, otherwise v limited to lo .. hi.
constexpr int32_t ClampRange(int64_t v, int32_t lo, int32_t hi) {
    if (hi < lo)
        return lo;
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, lo), hi));
}

// Truncates a value worked out in extended precision toward zero, without rounding it to a
// double first (which could carry 179.99999999999999999 up to 180).
inline int32_t TruncExtended(long double v) {
    return FloatToInt<int32_t>(static_cast<double>(std::trunc(v)));
}
