// The MSE row pass with AVX2: eight groups (sixteen pixels) at a time in 16- and 32-bit
// integers; the distances are then added one group after the other. Built with
// -mavx2; reached only through Avx2Row() when the processor has it. Uses no inline code shared
// with other files, so no AVX2 copy of it can stand in for the portable one.
#include "metrics/mse_rows.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>
#include <vector>

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

void Yuy2Frame(const Frame& f, Sums& s) {
    Yuy2Rows(f, Row, s);
}

// Planar frames whose pixel pairs (x, x + 1), x even, share one chroma sample (4:2:0, 4:2:2), or
// grey frames. Each chroma row's du² + dv² are formed once, for all luma rows that share it.
inline __m256i Widen16(const uint8_t* p, bool deep) { // 16 samples as 16-bit lanes
    return deep ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
                : _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

template <bool Deep>
inline int64_t SampleAt(const uint8_t* row, int x) {
    if constexpr (Deep) {
        uint16_t v;
        std::memcpy(&v, row + 2 * x, sizeof v);
        return v;
    } else {
        return row[x];
    }
}

inline const uint8_t* RowOf(const PlaneView& p, int y) {
    return p.data + static_cast<std::ptrdiff_t>(y) * p.pitch;
}

// Sums of one chroma row's samples, and du² + dv² of each into `chroma`.
template <bool Deep>
void ChromaRow(const Frame& f, int cy, int samples, int32_t* chroma, Sums& row) {
    const uint8_t *uo = RowOf(f.original[1], cy), *ue = RowOf(f.encoded[1], cy);
    const uint8_t *vo = RowOf(f.original[2], cy), *ve = RowOf(f.encoded[2], cy);
    constexpr int kStep = Deep ? 2 : 1;
    const __m256i ones = _mm256_set1_epi16(1);
    __m256i sqU = _mm256_setzero_si256(), sqV = sqU, abU = sqU, abV = sqU;
    int i = 0, steps = 0;
    const auto flush = [&] {
        row.squareU += LaneSum(sqU);
        row.squareV += LaneSum(sqV);
        row.absoluteU += LaneSum(abU);
        row.absoluteV += LaneSum(abV);
        sqU = sqV = abU = abV = _mm256_setzero_si256();
        steps = 0;
    };
    for (; i + 16 <= samples; i += 16) {
        const __m256i du = _mm256_sub_epi16(Widen16(uo + kStep * i, Deep), Widen16(ue + kStep * i, Deep));
        const __m256i dv = _mm256_sub_epi16(Widen16(vo + kStep * i, Deep), Widen16(ve + kStep * i, Deep));
        const __m256i u2 = _mm256_madd_epi16(du, du), v2 = _mm256_madd_epi16(dv, dv);
        sqU = _mm256_add_epi32(sqU, u2);
        sqV = _mm256_add_epi32(sqV, v2);
        abU = _mm256_add_epi32(abU, _mm256_madd_epi16(_mm256_abs_epi16(du), ones));
        abV = _mm256_add_epi32(abV, _mm256_madd_epi16(_mm256_abs_epi16(dv), ones));
        // du² + dv² of samples 0..7 and 8..15 in order: pairs (du, dv) from quarters 0, 2, 1, 3.
        const __m256i pu = _mm256_permute4x64_epi64(du, 0xD8), pv = _mm256_permute4x64_epi64(dv, 0xD8);
        const __m256i lo = _mm256_unpacklo_epi16(pu, pv), hi = _mm256_unpackhi_epi16(pu, pv);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(chroma + i), _mm256_madd_epi16(lo, lo));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(chroma + i + 8), _mm256_madd_epi16(hi, hi));
        if (++steps == 256) // lanes below 2^31 even at 10 bits
            flush();
    }
    flush();
    for (; i < samples; ++i) {
        const int64_t du = SampleAt<Deep>(uo, i) - SampleAt<Deep>(ue, i);
        const int64_t dv = SampleAt<Deep>(vo, i) - SampleAt<Deep>(ve, i);
        row.squareU += du * du;
        row.squareV += dv * dv;
        row.absoluteU += std::abs(du);
        row.absoluteV += std::abs(dv);
        chroma[i] = static_cast<int32_t>(du * du + dv * dv);
    }
}

struct PlanarBuffers {
    std::vector<int32_t> chroma;        // du² + dv² per sample of the current chroma row
    std::vector<int32_t> first, second; // 8 bits: square sums of the even and odd pixel of each pair
    std::vector<double> pairs;          // deeper: the distance sums of each pair
};

template <bool Deep, bool Chroma>
void PlanarFrame(const Frame& f, Sums& s) {
    thread_local PlanarBuffers b;
    const int pairCount = f.width / 2 + 8;
    const int chromaSamples = Chroma ? f.original[1].rowSize / (Deep ? 2 : 1) : 0;
    if (b.chroma.size() < static_cast<size_t>(chromaSamples + 16)) // the luma loop reads whole blocks
        b.chroma.resize(static_cast<size_t>(chromaSamples + 16));
    if (b.first.size() < static_cast<size_t>(pairCount)) {
        b.first.resize(pairCount);
        b.second.resize(pairCount);
        b.pairs.resize(pairCount);
    }
    const double* root = SqrtTable();
    // Plain pointers: every use of the thread-local buffers would otherwise go through their
    // access wrapper again.
    int32_t* chroma = b.chroma.data();
    int32_t* first = b.first.data();
    int32_t* second = b.second.data();
    double* pairs = b.pairs.data();
    constexpr int kStep = Deep ? 2 : 1;
    const __m256i ones = _mm256_set1_epi16(1), lowHalves = _mm256_set1_epi32(0xFFFF);
    Sums chromaRow;
    int chromaRowY = -1;
    double distance = s.distance;
    for (int y = 0; y < f.height; ++y) {
        if (Chroma && (y >> f.shiftY) != chromaRowY) {
            chromaRowY = y >> f.shiftY;
            chromaRow = Sums{};
            ChromaRow<Deep>(f, chromaRowY, chromaSamples, chroma, chromaRow);
        }
        if (Chroma) { // each of this row's pixels uses its pair's sample: two pixels per sample
            s.squareU += 2 * chromaRow.squareU;
            s.squareV += 2 * chromaRow.squareV;
            s.absoluteU += 2 * chromaRow.absoluteU;
            s.absoluteV += 2 * chromaRow.absoluteV;
        }
        const uint8_t *o = RowOf(f.original[0], y), *e = RowOf(f.encoded[0], y);
        __m256i sqY = _mm256_setzero_si256(), abY = sqY;
        int x = 0, added = 0;
        for (; x + 16 <= f.width; x += 16) {
            const __m256i dy = _mm256_sub_epi16(Widen16(o + kStep * x, Deep), Widen16(e + kStep * x, Deep));
            abY = _mm256_add_epi32(abY, _mm256_madd_epi16(_mm256_abs_epi16(dy), ones));
            __m256i y0, y1; // squares of the even and odd pixels, one 32-bit lane per pair
            if constexpr (Deep) {
                const __m256i even = _mm256_srai_epi32(_mm256_slli_epi32(dy, 16), 16);
                const __m256i odd = _mm256_srai_epi32(dy, 16);
                y0 = _mm256_mullo_epi32(even, even);
                y1 = _mm256_mullo_epi32(odd, odd);
            } else {
                const __m256i square = _mm256_mullo_epi16(dy, dy); // up to 255², unsigned
                y0 = _mm256_and_si256(square, lowHalves);
                y1 = _mm256_srli_epi32(square, 16);
            }
            sqY = _mm256_add_epi32(sqY, _mm256_add_epi32(y0, y1));
            if constexpr (Chroma) {
                const int k = x / 2;
                const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(chroma + k));
                const __m256i p0 = _mm256_add_epi32(y0, c), p1 = _mm256_add_epi32(y1, c);
                if constexpr (Deep) {
                    const auto pairSums = [](__m128i a, __m128i b) {
                        return _mm256_add_pd(_mm256_sqrt_pd(_mm256_cvtepi32_pd(a)),
                                             _mm256_sqrt_pd(_mm256_cvtepi32_pd(b)));
                    };
                    _mm256_storeu_pd(pairs + k,
                                     pairSums(_mm256_castsi256_si128(p0), _mm256_castsi256_si128(p1)));
                    _mm256_storeu_pd(pairs + k + 4, pairSums(_mm256_extracti128_si256(p0, 1),
                                                             _mm256_extracti128_si256(p1, 1)));
                } else {
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(first + k), p0);
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(second + k), p1);
                }
                // The previous block's distances, while this block's work goes on.
                if (k >= 8) {
                    for (int j = k - 8; j < k; ++j)
                        distance += Deep ? pairs[j] : root[first[j]] + root[second[j]];
                    added = k;
                }
            }
        }
        s.squareY += LaneSum(sqY);
        s.absoluteY += LaneSum(abY);
        for (; Chroma && added < x / 2; ++added)
            distance += Deep ? pairs[added] : root[first[added]] + root[second[added]];
        for (; x < f.width; x += 2) {
            const int n = x + 1 < f.width ? 2 : 1;
            double pair[2] = {0, 0};
            for (int k = 0; k < n; ++k) {
                const int64_t dy = SampleAt<Deep>(o, x + k) - SampleAt<Deep>(e, x + k);
                s.squareY += dy * dy;
                s.absoluteY += std::abs(dy);
                if (Chroma) {
                    const int64_t p = dy * dy + chroma[(x + k) >> 1];
                    pair[k] = Deep ? std::sqrt(static_cast<double>(p)) : root[p];
                }
            }
            if (Chroma)
                distance += n == 2 ? pair[0] + pair[1] : pair[0];
        }
    }
    s.distance = distance;
}

} // namespace

FrameFn Avx2Yuy2Frame() {
    return Yuy2Frame;
}

FrameFn Avx2PlanarFrame(int bits, int shiftX, bool chroma) {
    if (chroma && shiftX != 1)
        return nullptr;
    if (bits == 8)
        return chroma ? PlanarFrame<false, true> : PlanarFrame<false, false>;
    if (bits == 10)
        return chroma ? PlanarFrame<true, true> : PlanarFrame<true, false>;
    return nullptr;
}

RowFn Avx2Row() { return Row; }

} // namespace bv::mse
