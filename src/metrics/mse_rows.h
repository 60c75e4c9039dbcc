// The MSE kernel's passes. Each YUY2 group Y0 U Y1 V gives two pixels that share U and V; in
// planar YUV pixel (x, y) uses chroma sample (x >> shiftX, y >> shiftY). The squares and
// absolute differences are integers and are summed exactly in 64 bits. The sum of distances is a
// chain of rounded double additions: each row adds the distances of its pixels two by two, the
// pair (x, x + 1) for every even x first added together, then to the sum, in raster order (an
// odd last pixel of a row alone) — for YUY2 the two pixels of a group.
#pragma once

#include "frame_source/plane_view.h"

#include <cstddef>
#include <cstdint>

namespace bv::mse {

// Largest d0² + du² + dv² of one 8-bit pixel.
constexpr int kMaxSquareSum = 3 * 255 * 255;

// Sums over every pixel, as the per-pixel definition counts them (a chroma difference
// counts once for each pixel that shares it).
struct Sums {
    int64_t squareY = 0, squareU = 0, squareV = 0;
    int64_t absoluteY = 0, absoluteU = 0, absoluteV = 0;
    double distance = 0;
};

// sqrt(0) .. sqrt(kMaxSquareSum), each exactly std::sqrt's value.
const double* SqrtTable();

// Adds the `groups` groups of one YUY2 row pair to `sums`.
using RowFn = void (*)(const uint8_t* original, const uint8_t* encoded, int groups, const double* sqrtTable,
                       Sums& sums);
RowFn PortableRow();
RowFn Avx2Row(); // only where the processor has AVX2

// One frame pair of any YUV format the kernels measure: planes 0..2 (only plane 0 for YUY2 and
// grey), the size in pixels, the chroma subsampling and the samples' bytes.
struct Frame {
    PlaneView original[3], encoded[3];
    int width = 0, height = 0;
    int shiftX = 0, shiftY = 0;
    bool chroma = true; // false for grey: no U, V or distance in YUV
};

// Adds every pixel of the frame pair to `sums`.
using FrameFn = void (*)(const Frame& frame, Sums& sums);
FrameFn PortableYuy2Frame();
FrameFn Avx2Yuy2Frame(); // only where the processor has AVX2
FrameFn PortablePlanarFrame(int bytesPerSample);
// Planar 8- and 10-bit frames with AVX2 (chroma shared by pixel pairs or absent); nullptr for
// other layouts. Only where the processor has AVX2.
FrameFn Avx2PlanarFrame(int bits, int shiftX, bool chroma);

// The rows of a YUY2 frame through `row`. (Internal linkage: each file inlines its own row.)
static inline void Yuy2Rows(const Frame& f, RowFn row, Sums& s) {
    const double* root = SqrtTable();
    const int groups = f.original[0].rowSize / 4;
    for (int y = 0; y < f.height && groups > 0; ++y)
        row(f.original[0].data + static_cast<std::ptrdiff_t>(y) * f.original[0].pitch,
            f.encoded[0].data + static_cast<std::ptrdiff_t>(y) * f.encoded[0].pitch, groups, root, s);
}

} // namespace bv::mse
