#include "metrics/local_ssim_map.h"

#include "metrics/kernel_table.h"
#include "metrics/ssim_strip.h"

#include <cstdint>

namespace bv {

// One strip over the whole width moved down the frame with the kernel's own plain operations
// for the format and depth, so every window's value is the kernel's to the bit.
LocalSsimMap ComputeLocalSsimMap(const avs::PixelFormat& format, const PlaneView& original,
                                 const PlaneView& encoded, int width, int height) {
    LocalSsimMap map;
    const KernelEntry* kernels = FindKernels(format.family, format.bitDepth, KernelPath::Portable);
    if (kernels == nullptr || width < ssim::kWindow || height < ssim::kWindow)
        return map;
    map.columns = width - ssim::kWindow + 1;
    map.rows = height - ssim::kWindow + 1;
    map.values.resize(static_cast<size_t>(map.columns) * map.rows);

    const ssim::StripOps& ops = *kernels->ssim;
    const size_t n = static_cast<size_t>(ssim::PaddedColumns(map.columns));
    std::vector<int32_t> sums(ops.wideSums ? 0 : 4 * n);
    std::vector<int64_t> wide(ops.wideSums ? 5 * n : 0);
    std::vector<ssim::TermBlock> band(static_cast<size_t>(ssim::TermBlocks(map.columns)));
    ssim::Strip strip;
    strip.facts = kernels->facts;
    strip.original = original.data;
    strip.encoded = encoded.data;
    strip.originalPitch = original.pitch;
    strip.encodedPitch = encoded.pitch;
    strip.windows = map.columns;
    strip.columns = width;
    if (ops.wideSums) {
        strip.wide = wide.data();
    } else {
        strip.sumPacked = sums.data();
        strip.sumOO = strip.sumPacked + n;
        strip.sumEE = strip.sumOO + n;
        strip.sumOE = strip.sumEE + n;
    }
    for (int y = 0; y < map.rows; ++y) {
        if (y == 0)
            ops.start(strip, y);
        else
            ops.advance(strip, y);
        ssim::Lowest lowest;
        ops.evaluate(strip, 0, map.columns, band.data(), lowest, nullptr);
        for (int x = 0; x < map.columns; ++x) {
            const double value = ssim::SsimOf(band[x >> 2], x & 3);
            map.values[static_cast<size_t>(y) * map.columns + x] = value;
            if (value < map.lowest) {
                map.lowest = value;
                map.lowestX = x;
                map.lowestY = y;
            }
        }
    }
    return map;
}

} // namespace bv
