#pragma once
// The frame and bit rate of a picture fitted inside a profile's box. The engine makes its frame
// with this rule and the program predicts the file with it, so the two cannot drift apart.

#include "FloatToInt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

// The display size (`disp_w` x `disp_h`) fitted inside the box, its shape kept, never enlarged,
// even width and height.
inline void FitInsideBox(int box_w, int box_h, int disp_w, int disp_h, int &w, int &h) {
    auto even = [](double v) { return std::max(2, 2 * static_cast<int>(std::lround(v / 2))); };
    if (disp_w <= box_w && disp_h <= box_h) {
        w = std::max(2, disp_w & ~1);
        h = std::max(2, disp_h & ~1);
    } else if (static_cast<int64_t>(disp_w) * box_h >= static_cast<int64_t>(disp_h) * box_w) {
        w = std::max(2, box_w & ~1); // as wide as the box
        h = std::min(std::max(2, box_h & ~1), even(static_cast<double>(disp_h) * w / disp_w));
    } else {
        h = std::max(2, box_h & ~1); // as high as the box
        w = std::min(std::max(2, box_w & ~1), even(static_cast<double>(disp_w) * h / disp_h));
    }
}

// The fitted frame of a picture: the box turns for a portrait picture (a landscape box stood on
// its end), then the picture is fitted inside it.
inline void FittedFrame(int box_w, int box_h, int disp_w, int disp_h, int &w, int &h) {
    if (disp_h > disp_w && box_w > box_h)
        std::swap(box_w, box_h);
    FitInsideBox(box_w, box_h, disp_w, disp_h, w, h);
}

// A picture fitted smaller than its box needs fewer bits than the box was given: the rate shrinks
// with the area, to a quarter of it at the least, as small pictures need more bits for each
// pixel.
inline int64_t FittedBitRateFor(int64_t box_bit_rate, int box_w, int box_h, int w, int h) {
    if (box_w <= 0 || box_h <= 0)
        return box_bit_rate;
    const double share = static_cast<double>(w) * h / (static_cast<double>(box_w) * box_h);
    return FloatToInt<int64_t>(static_cast<double>(box_bit_rate) * std::clamp(share, 0.25, 1.0));
}
