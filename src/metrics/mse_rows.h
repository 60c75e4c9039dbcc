// The MSE kernel's row pass. Each YUY2 group Y0 U Y1 V gives two pixels that share U and V.
// The squares and absolute differences are integers and are summed exactly in 64 bits (the
// same values the double sums of the definition hold, since those stay below 2^53), so any
// thread may add any rows to them. The sum of distances is a chain of rounded double
// additions: the row pass only writes each group's term, √(d0² + du² + dv²) + √(d1² + du² + dv²),
// and the terms are added group by group, in frame order, by the calling thread.
#pragma once

#include <cstdint>

namespace bv::mse {

// Largest d0² + du² + dv² of one pixel.
constexpr int kMaxSquareSum = 3 * 255 * 255;

// Integer sums over pixels, as the per-pixel definition counts them (a chroma difference
// counts once for each of the two pixels that share it).
struct Sums {
    int64_t squareY = 0, squareU = 0, squareV = 0;
    int64_t absoluteY = 0, absoluteU = 0, absoluteV = 0;
};

// Distance terms that are ready to be added to the frame's sum, handed to the row pass so that
// the additions (a chain of dependent steps) run interleaved with independent work.
struct DistanceFeed {
    double* sum = nullptr;
    const double* next = nullptr;
    int available = 0; // terms at `next` that may be added, in order
    int perBlock = 0;  // at most this many after each block of 8 groups
};

// sqrt(0) .. sqrt(kMaxSquareSum), each exactly std::sqrt's value.
const double* SqrtTable();

// Adds `groups` groups of a row pair to `sums` and writes their distance terms to `terms`;
// adds terms from `feed` (when given) to feed->sum as it goes, advancing the feed.
using RowFn = void (*)(const uint8_t* original, const uint8_t* encoded, int groups, const double* sqrtTable,
                       Sums& sums, double* terms, DistanceFeed* feed);
RowFn PortableRow();
RowFn Avx2Row(); // only where the processor has AVX2

} // namespace bv::mse
