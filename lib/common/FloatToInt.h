#pragma once
// The one way this program turns a floating value into an integer. A plain cast is undefined
// for NaN, infinities and values out of range; here NaN gives 0 and everything else saturates.

#include <cmath>
#include <concepts>
#include <limits>

enum class FloatRound {
    Truncate, // toward zero, like a cast
    Nearest   // halves away from zero
};

template <std::integral I = int>
constexpr I FloatToInt(double v, FloatRound mode = FloatRound::Truncate) {
    if (std::isnan(v))
        return 0;
    v = mode == FloatRound::Nearest ? std::round(v) : std::trunc(v);
    // The limits as doubles: the low one is exact (a power of two or 0); the high one may round
    // up to a power of two, so compare with >= and return the limit itself.
    constexpr double lo = static_cast<double>(std::numeric_limits<I>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<I>::max());
    if (v <= lo)
        return std::numeric_limits<I>::min();
    if (v >= hi)
        return std::numeric_limits<I>::max();
    return static_cast<I>(v);
}
