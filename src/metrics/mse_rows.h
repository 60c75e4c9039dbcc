// The MSE kernel's row pass. Each YUY2 group Y0 U Y1 V gives two pixels that share U and V.
// The squares and absolute differences are integers and are summed exactly in 64 bits (the
// same values the double sums of the definition hold, since those stay below 2^53). The sum
// of distances is a chain of rounded double additions and is added group by group, in order.
#pragma once

#include <cstdint>

namespace bv::mse {

// Largest d0² + du² + dv² of one pixel.
constexpr int kMaxSquareSum = 3 * 255 * 255;

// Sums over every pixel, as the per-pixel definition counts them (a chroma difference
// counts once for each of the two pixels that share it).
struct Sums {
    int64_t squareY = 0, squareU = 0, squareV = 0;
    int64_t absoluteY = 0, absoluteU = 0, absoluteV = 0;
    double distance = 0;
};

// sqrt(0) .. sqrt(kMaxSquareSum), each exactly std::sqrt's value.
const double* SqrtTable();

// Adds the `groups` groups of one row pair to `sums`.
using RowFn = void (*)(const uint8_t* original, const uint8_t* encoded, int groups, const double* sqrtTable,
                       Sums& sums);
RowFn PortableRow();
RowFn Avx2Row(); // only where the processor has AVX2

} // namespace bv::mse
