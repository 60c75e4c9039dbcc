#include "metrics/local_ssim_map.h"

#include "metrics/ssim_strip.h"

#include <cstdint>

namespace bv {

// One strip over the whole width moved down the frame with the kernel's own plain operations,
// so every window's value is the kernel's to the bit.
LocalSsimMap ComputeLocalSsimMap(const PlaneView& original, const PlaneView& encoded, int height) {
    LocalSsimMap map;
    const int width = original.rowSize / 2;
    if (width < ssim::kWindow || height < ssim::kWindow)
        return map;
    map.columns = width - ssim::kWindow + 1;
    map.rows = height - ssim::kWindow + 1;
    map.values.resize(static_cast<size_t>(map.columns) * map.rows);

    const ssim::StripOps& ops = ssim::PortableOps();
    std::vector<int32_t> sums(4 * static_cast<size_t>(ssim::PaddedColumns(map.columns)));
    std::vector<ssim::TermBlock> band(static_cast<size_t>(ssim::TermBlocks(map.columns)));
    ssim::Strip strip;
    strip.original = original.data;
    strip.encoded = encoded.data;
    strip.originalPitch = original.pitch;
    strip.encodedPitch = encoded.pitch;
    strip.windows = map.columns;
    strip.columns = width;
    const size_t n = sums.size() / 4;
    strip.sumPacked = sums.data();
    strip.sumOO = strip.sumPacked + n;
    strip.sumEE = strip.sumOO + n;
    strip.sumOE = strip.sumEE + n;
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
