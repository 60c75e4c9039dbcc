// The MSE row pass with AVX2: eight groups (sixteen pixels) at a time in 16- and 32-bit
// integers; the distances are then added one group after the other. Built with
// -mavx2; reached only through Avx2Row() when the processor has it. Uses no inline code shared
// with other files, so no AVX2 copy of it can stand in for the portable one.
#include <immintrin.h>

#include "metrics/mse_rows.h"

namespace bv::mse {
namespace {

inline int64_t LaneSum(__m256i v) {
    const __m256i wide = _mm256_add_epi64(_mm256_cvtepu32_epi64(_mm256_castsi256_si128(v)),
                                          _mm256_cvtepu32_epi64(_mm256_extracti128_si256(v, 1)));
    const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
    return _mm_cvtsi128_si64(half) + _mm_extract_epi64(half, 1);
}

void Row(const uint8_t* a, const uint8_t* b, int groups, const double* root, Sums& s) {
    // Square sums of each block's 16 pixels, kept for one block: the distances of a block are
    // added while the next block is computed, so the chain of additions overlaps with work.
    alignas(32) int32_t first[2][8], second[2][8];
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF), lowHalves = _mm256_set1_epi32(0xFFFF);
    // Per-lane sums stay far below 2^31: a lane takes one group in eight, at most 2 * 255² per
    // group, and the lanes are flushed every kFlushBlocks blocks.
    constexpr int kFlushBlocks = 1 << 13;
    __m256i sqY = _mm256_setzero_si256(), sqU = sqY, sqV = sqY, abY = sqY, abU = sqY, abV = sqY;
    int blocks = 0;
    const auto flush = [&] {
        s.squareY += LaneSum(sqY);
        s.squareU += 2 * LaneSum(sqU);
        s.squareV += 2 * LaneSum(sqV);
        s.absoluteY += LaneSum(abY);
        s.absoluteU += 2 * LaneSum(abU);
        s.absoluteV += 2 * LaneSum(abV);
        sqY = sqU = sqV = abY = abU = abV = _mm256_setzero_si256();
        blocks = 0;
    };
    double distance = s.distance;
    const auto addDistances = [&](const int32_t* p, const int32_t* q) {
        for (int k = 0; k < 8; ++k)
            distance += root[p[k]] + root[q[k]];
    };
    int g = 0, current = 0;
    for (; g + 8 <= groups; g += 8, current ^= 1) {
        const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 4 * g));
        const __m256i e = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 4 * g));
        // 16-bit lanes: luma differences d0, d1 and chroma differences du, dv of each group.
        const __m256i dY = _mm256_sub_epi16(_mm256_and_si256(o, lowBytes), _mm256_and_si256(e, lowBytes));
        const __m256i dC = _mm256_sub_epi16(_mm256_srli_epi16(o, 8), _mm256_srli_epi16(e, 8));
        // Squares up to 255² fit an unsigned 16-bit lane; one 32-bit lane per group.
        const __m256i squareY = _mm256_mullo_epi16(dY, dY), squareC = _mm256_mullo_epi16(dC, dC);
        const __m256i y0 = _mm256_and_si256(squareY, lowHalves), y1 = _mm256_srli_epi32(squareY, 16);
        const __m256i u = _mm256_and_si256(squareC, lowHalves), v = _mm256_srli_epi32(squareC, 16);
        const __m256i chroma = _mm256_add_epi32(u, v);
        _mm256_store_si256(reinterpret_cast<__m256i*>(first[current]), _mm256_add_epi32(y0, chroma));
        _mm256_store_si256(reinterpret_cast<__m256i*>(second[current]), _mm256_add_epi32(y1, chroma));
        sqY = _mm256_add_epi32(sqY, _mm256_add_epi32(y0, y1));
        sqU = _mm256_add_epi32(sqU, u);
        sqV = _mm256_add_epi32(sqV, v);
        const __m256i absY = _mm256_abs_epi16(dY), absC = _mm256_abs_epi16(dC);
        abY = _mm256_add_epi32(abY, _mm256_madd_epi16(absY, _mm256_set1_epi16(1)));
        abU = _mm256_add_epi32(abU, _mm256_and_si256(absC, lowHalves));
        abV = _mm256_add_epi32(abV, _mm256_srli_epi32(absC, 16));
        if (g > 0)
            addDistances(first[current ^ 1], second[current ^ 1]);
        if (++blocks == kFlushBlocks)
            flush();
    }
    if (g > 0)
        addDistances(first[current ^ 1], second[current ^ 1]);
    flush();
    for (a += 4 * g, b += 4 * g; g < groups; ++g, a += 4, b += 4) {
        const int d0 = a[0] - b[0], du = a[1] - b[1], d1 = a[2] - b[2], dv = a[3] - b[3];
        const int u = du * du, v = dv * dv;
        s.squareY += d0 * d0 + d1 * d1;
        s.squareU += 2 * u;
        s.squareV += 2 * v;
        s.absoluteY += (d0 < 0 ? -d0 : d0) + (d1 < 0 ? -d1 : d1);
        s.absoluteU += 2 * (du < 0 ? -du : du);
        s.absoluteV += 2 * (dv < 0 ? -dv : dv);
        distance += root[d0 * d0 + u + v] + root[d1 * d1 + u + v];
    }
    s.distance = distance;
}

} // namespace

RowFn Avx2Row() { return Row; }

} // namespace bv::mse
