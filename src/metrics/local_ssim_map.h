// The local SSIM of every 8 x 8 window of one frame pair, for pictures of a frame: the same
// values the run's SSIM kernel adds up, window by window.
#pragma once

#include "avs_abi/pixel_format.h"
#include "frame_source/plane_view.h"

#include <cstddef>
#include <vector>

namespace bv {

struct LocalSsimMap {
    int columns = 0; // windows per row: width - 7
    int rows = 0;    // window rows: height - 7
    std::vector<double> values; // row by row; values[y * columns + x] is the window at (x, y)
    // As the kernel reports it: the first window in raster order with the lowest value below
    // 1.0; 1.0 at (0, 0) when there is none.
    double lowest = 1.0;
    int lowestX = 0;
    int lowestY = 0;

    double at(int x, int y) const { return values[static_cast<std::size_t>(y) * columns + x]; }
};

// The luma planes (plane 0) of a width x height frame pair of `format`, with the format's
// constants; single-threaded plain code. Empty for a format without SSIM kernels.
LocalSsimMap ComputeLocalSsimMap(const avs::PixelFormat& format, const PlaneView& original,
                                 const PlaneView& encoded, int width, int height);

} // namespace bv
