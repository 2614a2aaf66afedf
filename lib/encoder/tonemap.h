// Tone mapping of high dynamic range at the cost of a table look-up. FFmpeg's own filters (zscale,
// tonemap) work on every picture in floating point; here they run once, on a grid of 33 x 33 x 33
// colours, and each picture's pixels are then interpolated from the grid (trilinearly).
#pragma once

#include "picture.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class ToneMapTable {
public:
    // Runs the grid through the plan's tone mapping with the side data of `first` (the mastering
    // display and light levels, which set the peak the curve rolls off to). False when the
    // filters cannot be set up.
    bool Build(const PicturePlan &plan, const AVFrame *first);
    bool Built() const { return !grid_.empty(); }

    // A 10-bit 4:2:0 picture in the source's colour into an 8-bit 4:2:0 BT.709 one of the same
    // size; `out` gets buffers of its own. False when out of memory.
    bool Apply(const AVFrame *in, AVFrame *out) const;

    static constexpr int kPoints = 33;
    // A grid point's mapped luma, Cb and Cr (16-bit values) and a spare lane, worked on together.
    using Point = uint16_t __attribute__((vector_size(8)));
    using Lanes = int32_t __attribute__((vector_size(16)));

private:
    void Rows(const AVFrame *in, AVFrame *out, int row) const;

    // The mapped colour of each grid point, by luma level, then Cb, then Cr.
    std::vector<Point> grid_;
};

} // namespace engine
