// Strip operations with AVX2 and FMA: column sums sixteen columns at a time; windows in runs
// of 32, first their integer sums and products eight at a time, then their figures four at a
// time in doubles. Built with -mavx2 -mfma; reached only through Avx2Ops() when the processor
// has both. Uses no inline code shared with other files (the helpers of ssim_strip.h have
// internal linkage), so no AVX2 copy of it can stand in for the portable one.
#include "metrics/exact_quotient_avx2.h"
#include "metrics/ssim_strip.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

namespace bv::ssim {
namespace {

// Luma of 8 pixels as 32-bit lanes: the low byte of each 16-bit pair of a YUY2 row, 8 bytes of
// a plane, or 8 16-bit samples of a deeper plane.
template <LumaLayout L>
inline __m256i Luma8(const uint8_t* p) {
    if constexpr (L == LumaLayout::Yuy2) {
        const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return _mm256_and_si256(_mm256_cvtepu16_epi32(pairs), _mm256_set1_epi32(0xFF));
    } else if constexpr (L == LumaLayout::Bytes) {
        return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    } else {
        return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
}

inline __m256i Pack(__m256i o, __m256i e) { return _mm256_add_epi32(o, _mm256_slli_epi32(e, 16)); }

inline __m256i Load(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store(int32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

template <LumaLayout L>
inline const uint8_t* At(const uint8_t* image, ptrdiff_t pitch, int row, int column) {
    return image + row * pitch + (L == LumaLayout::Bytes ? 1 : 2) * column;
}

template <LumaLayout L>
inline int Sample(const uint8_t* p) {
    if constexpr (L == LumaLayout::Words) {
        uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return *p;
    }
}

// Luma of 16 pixels as 16-bit lanes, with the 64-bit quarters ordered 0, 2, 1, 3, so that the
// in-lane 16-bit unpacks below yield columns 0..7 (low) and 8..15 (high) in order.
template <LumaLayout L>
inline __m256i Luma16(const uint8_t* p) {
    __m256i v;
    if constexpr (L == LumaLayout::Yuy2)
        v = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                             _mm256_set1_epi16(0x00FF));
    else if constexpr (L == LumaLayout::Bytes) // one shuffle widens and orders the 16 bytes at once
        return _mm256_shuffle_epi8(
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm256_setr_epi8(0, -1, 1, -1, 2, -1, 3, -1, 8, -1, 9, -1, 10, -1, 11, -1, 4, -1, 5, -1, 6, -1, 7,
                             -1, 12, -1, 13, -1, 14, -1, 15, -1));
    else
        v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_permute4x64_epi64(v, 0xD8);
}

inline void AddTo(int32_t* p, __m256i v) { Store(p, _mm256_add_epi32(Load(p), v)); }

template <LumaLayout L>
void Start(Strip& s, int y) {
    const size_t bytes = sizeof(int32_t) * static_cast<size_t>(PaddedColumns(s.windows));
    std::memset(s.sumPacked, 0, bytes);
    std::memset(s.sumOO, 0, bytes);
    std::memset(s.sumEE, 0, bytes);
    std::memset(s.sumOE, 0, bytes);
    int c = 0;
    // 16 columns at a time: o + 65536·e from 16-bit pairs (o, e); squares and products of two
    // rows at once from pairs (row j, row j+1) with one multiply-add.
    for (; c + 16 <= s.columns; c += 16) {
        const int x = s.firstWindow + c;
        __m256i packedLo = _mm256_setzero_si256(), packedHi = packedLo, ooLo = packedLo, ooHi = packedLo;
        __m256i eeLo = packedLo, eeHi = packedLo, oeLo = packedLo, oeHi = packedLo;
        for (int j = 0; j < kWindow; j += 2) {
            const __m256i o0 = Luma16<L>(At<L>(s.original, s.originalPitch, y + j, x));
            const __m256i o1 = Luma16<L>(At<L>(s.original, s.originalPitch, y + j + 1, x));
            const __m256i e0 = Luma16<L>(At<L>(s.encoded, s.encodedPitch, y + j, x));
            const __m256i e1 = Luma16<L>(At<L>(s.encoded, s.encodedPitch, y + j + 1, x));
            packedLo = _mm256_add_epi32(packedLo, _mm256_add_epi32(_mm256_unpacklo_epi16(o0, e0),
                                                                   _mm256_unpacklo_epi16(o1, e1)));
            packedHi = _mm256_add_epi32(packedHi, _mm256_add_epi32(_mm256_unpackhi_epi16(o0, e0),
                                                                   _mm256_unpackhi_epi16(o1, e1)));
            const __m256i oLo = _mm256_unpacklo_epi16(o0, o1), oHi = _mm256_unpackhi_epi16(o0, o1);
            const __m256i eLo = _mm256_unpacklo_epi16(e0, e1), eHi = _mm256_unpackhi_epi16(e0, e1);
            ooLo = _mm256_add_epi32(ooLo, _mm256_madd_epi16(oLo, oLo));
            ooHi = _mm256_add_epi32(ooHi, _mm256_madd_epi16(oHi, oHi));
            eeLo = _mm256_add_epi32(eeLo, _mm256_madd_epi16(eLo, eLo));
            eeHi = _mm256_add_epi32(eeHi, _mm256_madd_epi16(eHi, eHi));
            oeLo = _mm256_add_epi32(oeLo, _mm256_madd_epi16(oLo, eLo));
            oeHi = _mm256_add_epi32(oeHi, _mm256_madd_epi16(oHi, eHi));
        }
        Store(s.sumPacked + c, packedLo);
        Store(s.sumPacked + c + 8, packedHi);
        Store(s.sumOO + c, ooLo);
        Store(s.sumOO + c + 8, ooHi);
        Store(s.sumEE + c, eeLo);
        Store(s.sumEE + c + 8, eeHi);
        Store(s.sumOE + c, oeLo);
        Store(s.sumOE + c + 8, oeHi);
    }
    for (; c + 8 <= s.columns; c += 8) {
        __m256i packed = _mm256_setzero_si256(), soo = packed, see = packed, soe = packed;
        for (int j = 0; j < kWindow; ++j) {
            const __m256i o = Luma8<L>(At<L>(s.original, s.originalPitch, y + j, s.firstWindow + c));
            const __m256i e = Luma8<L>(At<L>(s.encoded, s.encodedPitch, y + j, s.firstWindow + c));
            packed = _mm256_add_epi32(packed, Pack(o, e));
            soo = _mm256_add_epi32(soo, _mm256_mullo_epi32(o, o));
            see = _mm256_add_epi32(see, _mm256_mullo_epi32(e, e));
            soe = _mm256_add_epi32(soe, _mm256_mullo_epi32(o, e));
        }
        Store(s.sumPacked + c, packed);
        Store(s.sumOO + c, soo);
        Store(s.sumEE + c, see);
        Store(s.sumOE + c, soe);
    }
    for (; c < s.columns; ++c)
        for (int j = 0; j < kWindow; ++j) {
            const int o = Sample<L>(At<L>(s.original, s.originalPitch, y + j, s.firstWindow + c));
            const int e = Sample<L>(At<L>(s.encoded, s.encodedPitch, y + j, s.firstWindow + c));
            s.sumPacked[c] += o + 65536 * e;
            s.sumOO[c] += o * o;
            s.sumEE[c] += e * e;
            s.sumOE[c] += o * e;
        }
}

template <LumaLayout L>
void Advance(Strip& s, int y) {
    const int in = y + kWindow - 1, out = y - 1;
    int c = 0;
    // 16 columns at a time: the differences in² - out², ei² - eo² and oi·ei - oo·eo each come
    // from one multiply-add of the pairs (oi, oo), (ei, eo) with (oi, -oo), (ei, -eo).
    for (; c + 16 <= s.columns; c += 16) {
        const int x = s.firstWindow + c;
        const __m256i oi = Luma16<L>(At<L>(s.original, s.originalPitch, in, x));
        const __m256i oo = Luma16<L>(At<L>(s.original, s.originalPitch, out, x));
        const __m256i ei = Luma16<L>(At<L>(s.encoded, s.encodedPitch, in, x));
        const __m256i eo = Luma16<L>(At<L>(s.encoded, s.encodedPitch, out, x));
        AddTo(s.sumPacked + c,
              _mm256_sub_epi32(_mm256_unpacklo_epi16(oi, ei), _mm256_unpacklo_epi16(oo, eo)));
        AddTo(s.sumPacked + c + 8,
              _mm256_sub_epi32(_mm256_unpackhi_epi16(oi, ei), _mm256_unpackhi_epi16(oo, eo)));
        const __m256i zero = _mm256_setzero_si256();
        const __m256i negOo = _mm256_sub_epi16(zero, oo), negEo = _mm256_sub_epi16(zero, eo);
        const __m256i oLo = _mm256_unpacklo_epi16(oi, oo), oHi = _mm256_unpackhi_epi16(oi, oo);
        const __m256i oNegLo = _mm256_unpacklo_epi16(oi, negOo), oNegHi = _mm256_unpackhi_epi16(oi, negOo);
        const __m256i eLo = _mm256_unpacklo_epi16(ei, eo), eHi = _mm256_unpackhi_epi16(ei, eo);
        const __m256i eNegLo = _mm256_unpacklo_epi16(ei, negEo), eNegHi = _mm256_unpackhi_epi16(ei, negEo);
        AddTo(s.sumOO + c, _mm256_madd_epi16(oLo, oNegLo));
        AddTo(s.sumOO + c + 8, _mm256_madd_epi16(oHi, oNegHi));
        AddTo(s.sumEE + c, _mm256_madd_epi16(eLo, eNegLo));
        AddTo(s.sumEE + c + 8, _mm256_madd_epi16(eHi, eNegHi));
        AddTo(s.sumOE + c, _mm256_madd_epi16(oLo, eNegLo));
        AddTo(s.sumOE + c + 8, _mm256_madd_epi16(oHi, eNegHi));
    }
    for (; c + 8 <= s.columns; c += 8) {
        const int x = s.firstWindow + c;
        const __m256i oi = Luma8<L>(At<L>(s.original, s.originalPitch, in, x));
        const __m256i oo = Luma8<L>(At<L>(s.original, s.originalPitch, out, x));
        const __m256i ei = Luma8<L>(At<L>(s.encoded, s.encodedPitch, in, x));
        const __m256i eo = Luma8<L>(At<L>(s.encoded, s.encodedPitch, out, x));
        const __m256i dPacked = _mm256_sub_epi32(Pack(oi, ei), Pack(oo, eo));
        Store(s.sumPacked + c, _mm256_add_epi32(Load(s.sumPacked + c), dPacked));
        const __m256i doo = _mm256_sub_epi32(_mm256_mullo_epi32(oi, oi), _mm256_mullo_epi32(oo, oo));
        const __m256i dee = _mm256_sub_epi32(_mm256_mullo_epi32(ei, ei), _mm256_mullo_epi32(eo, eo));
        const __m256i doe = _mm256_sub_epi32(_mm256_mullo_epi32(oi, ei), _mm256_mullo_epi32(oo, eo));
        Store(s.sumOO + c, _mm256_add_epi32(Load(s.sumOO + c), doo));
        Store(s.sumEE + c, _mm256_add_epi32(Load(s.sumEE + c), dee));
        Store(s.sumOE + c, _mm256_add_epi32(Load(s.sumOE + c), doe));
    }
    for (; c < s.columns; ++c) {
        const int x = s.firstWindow + c;
        const int oi = Sample<L>(At<L>(s.original, s.originalPitch, in, x)),
                  oo = Sample<L>(At<L>(s.original, s.originalPitch, out, x));
        const int ei = Sample<L>(At<L>(s.encoded, s.encodedPitch, in, x)),
                  eo = Sample<L>(At<L>(s.encoded, s.encodedPitch, out, x));
        s.sumPacked[c] += (oi + 65536 * ei) - (oo + 65536 * eo);
        s.sumOO[c] += oi * oi - oo * oo;
        s.sumEE[c] += ei * ei - eo * eo;
        s.sumOE[c] += oi * ei - oo * eo;
    }
}

// Sums of 8 neighbouring column sums, for 8 windows: 2-sums, 4-sums, 8-sums, with the shifted
// operands built in registers from three loads (unaligned loads at every offset would be the
// bottleneck). Reads p[0 .. 23].
inline __m256i WindowSum(const int32_t* p) {
    const __m256i a = Load(p), b = Load(p + 8), c = Load(p + 16);
    const __m256i ab = _mm256_permute2x128_si256(a, b, 0x21), bc = _mm256_permute2x128_si256(b, c, 0x21);
    const __m256i pairsA = _mm256_add_epi32(a, _mm256_alignr_epi8(ab, a, 4));     // 2-sums at 0..7
    const __m256i pairsB = _mm256_add_epi32(b, _mm256_alignr_epi8(bc, b, 4));     // 2-sums at 8..15
    const __m256i pairsMid = _mm256_permute2x128_si256(pairsA, pairsB, 0x21);     // 2-sums at 4..11
    const __m256i quadsA =
        _mm256_add_epi32(pairsA, _mm256_alignr_epi8(pairsMid, pairsA, 8)); // 4-sums at 0..7
    const __m256i quadsMid = _mm256_add_epi32(pairsMid, _mm256_alignr_epi8(pairsB, pairsMid, 8)); // at 4..11
    return _mm256_add_epi32(quadsA, quadsMid);
}

// The figures of four windows from their integer terms, formed as in the portable kernel:
//   (2·mo·me + C1) = So·Se / 2048 + C1 and (mo² + me² + C1) = (So² + Se²) / 4096 + C1, where the
//   products are exact, so one fused step rounds once, as the separate steps do;
//   the variances are (64·Σo² - So²) / 4032, correctly rounded (ExactQuotient);
//   2·cov + C2 rounds once as well; the weight ramp (mo - low) / ramp is k / 640 · rampScale with
//   k = So - lowSum clamped to 0 .. rampSum, which also gives the 0 and 1 outside the ramp.
struct FourFigures {
    __m256d ssim, weight;
};

inline FourFigures FourWindows(const DepthFacts& f, __m256d soSe, __m256d soSoPlusSeSe, __m256d numO,
                               __m256d numE, __m256d numOE, __m256d ramp) {
    const __m256d c1 = _mm256_set1_pd(f.c1), c2 = _mm256_set1_pd(f.c2);
    const __m256d d4032 = _mm256_set1_pd(4032.0), r4032 = _mm256_set1_pd(1.0 / 4032.0);
    const __m256d luminanceNum = _mm256_fmadd_pd(soSe, _mm256_set1_pd(1.0 / 2048), c1);
    const __m256d luminanceDen = _mm256_fmadd_pd(soSoPlusSeSe, _mm256_set1_pd(1.0 / 4096), c1);
    const __m256d varO = ExactQuotient(numO, d4032, r4032);
    const __m256d varE = ExactQuotient(numE, d4032, r4032);
    const __m256d cov = ExactQuotient(numOE, d4032, r4032);
    const __m256d structureNum = _mm256_fmadd_pd(cov, _mm256_set1_pd(2.0), c2);
    const __m256d structureDen = _mm256_add_pd(_mm256_add_pd(varO, varE), c2);
    __m256d s = _mm256_div_pd(_mm256_mul_pd(luminanceNum, structureNum),
                              _mm256_mul_pd(luminanceDen, structureDen));
    s = _mm256_and_pd(s, _mm256_cmp_pd(s, _mm256_setzero_pd(), _CMP_GE_OQ)); // negative or NaN: 0
    const __m256d w = _mm256_mul_pd(ExactQuotient(ramp, _mm256_set1_pd(640.0), _mm256_set1_pd(1.0 / 640.0)),
                                    _mm256_set1_pd(f.rampScale));
    return {s, w};
}

// Writes the terms of four windows into their block.
inline void StoreTerms(TermBlock& b, __m256d s, __m256d w) {
    const __m256d ws = _mm256_mul_pd(w, s);
    _mm256_store_pd(b.even, _mm256_unpacklo_pd(s, ws));
    _mm256_store_pd(b.odd, _mm256_unpackhi_pd(s, ws));
    _mm256_store_pd(b.weight, w);
}

// Folds four windows of a block, of which the first `valid` exist, into `lowest`.
inline void FoldLowest(const Strip& s, const TermBlock& b, int first, int valid, __m256d ssim,
                       Lowest& lowest) {
    valid = valid < 0 ? 0 : valid > 4 ? 4 : valid;
    const int below = _mm256_movemask_pd(_mm256_cmp_pd(ssim, _mm256_set1_pd(lowest.value), _CMP_LT_OQ));
    if ((below & ((1 << valid) - 1)) == 0)
        return;
    for (int k = 0; k < valid; ++k)
        if (SsimOf(b, k) < lowest.value) {
            lowest.value = SsimOf(b, k);
            lowest.x = s.firstWindow + first + k;
        }
}

// Adds the pairs and weights of `count` windows from `first` on, in order; whole blocks of four
// with fixed offsets.
inline void AddTerms(__m128d& pair, double& weight, const TermBlock* band, int first, int count) {
    int i = first;
    const int end = first + count;
    for (; i < end && (i & 3) != 0; ++i) {
        pair = _mm_add_pd(pair, _mm_load_pd(PairOf(band[i >> 2], i & 3)));
        weight += band[i >> 2].weight[i & 3];
    }
    for (; i + 4 <= end; i += 4) {
        const TermBlock& b = band[i >> 2];
        pair = _mm_add_pd(pair, _mm_load_pd(b.even));
        pair = _mm_add_pd(pair, _mm_load_pd(b.odd));
        pair = _mm_add_pd(pair, _mm_load_pd(b.even + 2));
        pair = _mm_add_pd(pair, _mm_load_pd(b.odd + 2));
        weight += b.weight[0];
        weight += b.weight[1];
        weight += b.weight[2];
        weight += b.weight[3];
    }
    for (; i < end; ++i) {
        pair = _mm_add_pd(pair, _mm_load_pd(PairOf(band[i >> 2], i & 3)));
        weight += band[i >> 2].weight[i & 3];
    }
}

// The integers a window's figures are formed from (see FourWindows), for a run of windows. At 8
// bits soSe and squares hold So·Se and So² + Se²; deeper, those exceed 32 bits, and they hold So
// and Se, whose products are formed in doubles (exactly). The numerators 64·Σo² - So² are taken
// modulo 2^32: their true values lie within ±2^31 up to 10 bits.
constexpr int kRun = 32;
struct WindowIntegers {
    alignas(32) int32_t soSe[kRun], squares[kRun], numO[kRun], numE[kRun], numOE[kRun], ramp[kRun];
};

// First pass over a run of windows: integer sums and products, eight windows at a time.
template <bool Deep>
inline void RunIntegers(const Strip& s, int first, int count, WindowIntegers& v) {
    const __m256i lowSum = _mm256_set1_epi32(s.facts->weightLowSum);
    const __m256i rampEnd = _mm256_set1_epi32(s.facts->weightRampSum);
    for (int k = 0; k < count; k += 8) {
        const int i = first + k;
        const __m256i packed = WindowSum(s.sumPacked + i);
        const __m256i so = _mm256_and_si256(packed, _mm256_set1_epi32(0xFFFF));
        const __m256i se = _mm256_srli_epi32(packed, 16);
        const __m256i soSe = _mm256_mullo_epi32(so, se);
        const __m256i soSo = _mm256_mullo_epi32(so, so), seSe = _mm256_mullo_epi32(se, se);
        if constexpr (Deep) {
            Store(v.soSe + k, so);
            Store(v.squares + k, se);
        } else {
            Store(v.soSe + k, soSe);
            Store(v.squares + k, _mm256_add_epi32(soSo, seSe));
        }
        Store(v.numO + k, _mm256_sub_epi32(_mm256_slli_epi32(WindowSum(s.sumOO + i), 6), soSo));
        Store(v.numE + k, _mm256_sub_epi32(_mm256_slli_epi32(WindowSum(s.sumEE + i), 6), seSe));
        Store(v.numOE + k, _mm256_sub_epi32(_mm256_slli_epi32(WindowSum(s.sumOE + i), 6), soSe));
        Store(v.ramp + k,
              _mm256_min_epi32(_mm256_max_epi32(_mm256_sub_epi32(so, lowSum), _mm256_setzero_si256()),
                               rampEnd));
    }
}

inline __m256d Four(const int32_t* p) { // four integers as doubles
    return _mm256_cvtepi32_pd(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
}

template <bool Deep>
inline FourFigures FourAt(const DepthFacts& f, const WindowIntegers& v, int k) {
    __m256d soSe = Four(v.soSe + k), squares = Four(v.squares + k);
    if constexpr (Deep) {
        const __m256d so = soSe, se = squares;
        soSe = _mm256_mul_pd(so, se);
        squares = _mm256_add_pd(_mm256_mul_pd(so, so), _mm256_mul_pd(se, se));
    }
    return FourWindows(f, soSe, squares, Four(v.numO + k), Four(v.numE + k), Four(v.numOE + k),
                       Four(v.ramp + k));
}

template <bool Deep>
void Evaluate(const Strip& s, int from, int to, TermBlock* out, Lowest& lowest, SumFeed* feed) {
    SumFeed none;
    SumFeed& f = feed != nullptr ? *feed : none;
    Sums unused;
    Sums& sums = feed != nullptr ? *feed->sums : unused;
    __m128d pair = _mm_load_pd(&sums.ssim);
    double weight = sums.weight;
    const DepthFacts& facts = *s.facts;
    WindowIntegers v;
    for (int run = from; run < to; run += kRun) {
        const int count = to - run < kRun ? (to - run + 7) / 8 * 8 : kRun;
        RunIntegers<Deep>(s, run, count, v);
        // Second pass: the figures, four windows at a time, from the integers converted in place.
        for (int k = 0; k < count; k += 8) {
            // A few additions of earlier windows first; they wait on each other, not on this block.
            const int n = f.end - f.next < f.perBlock ? f.end - f.next : f.perBlock;
            AddTerms(pair, weight, f.band, f.next, n);
            f.next += n;

            const int i = run + k;
            const FourFigures a = FourAt<Deep>(facts, v, k);
            const FourFigures b = FourAt<Deep>(facts, v, k + 4);
            TermBlock& blockA = out[i >> 2];
            TermBlock& blockB = out[(i >> 2) + 1];
            StoreTerms(blockA, a.ssim, a.weight);
            StoreTerms(blockB, b.ssim, b.weight);
            // One test for all eight (lanes past `to` may pass it; FoldLowest leaves them out).
            const __m256d least = _mm256_min_pd(a.ssim, b.ssim);
            if (_mm256_movemask_pd(_mm256_cmp_pd(least, _mm256_set1_pd(lowest.value), _CMP_LT_OQ)) != 0) {
                FoldLowest(s, blockA, i, to - i, a.ssim, lowest);
                FoldLowest(s, blockB, i + 4, to - i - 4, b.ssim, lowest);
            }
        }
    }
    _mm_store_pd(&sums.ssim, pair);
    sums.weight = weight;
}

void Accumulate(Sums& sums, const TermBlock* band, int first, int count) {
    __m128d pair = _mm_load_pd(&sums.ssim);
    double weight = sums.weight;
    AddTerms(pair, weight, band, first, count);
    _mm_store_pd(&sums.ssim, pair);
    sums.weight = weight;
}

template <LumaLayout L, bool Deep>
constexpr StripOps kOps{false, Start<L>, Advance<L>, Evaluate<Deep>, Accumulate};

} // namespace

const StripOps* Avx2Ops(LumaLayout layout, int bits) {
    if (bits > 10)
        return nullptr;
    switch (layout) {
    case LumaLayout::Yuy2:
        return &kOps<LumaLayout::Yuy2, false>;
    case LumaLayout::Bytes:
        return &kOps<LumaLayout::Bytes, false>;
    case LumaLayout::Words:
        break;
    }
    return &kOps<LumaLayout::Words, true>;
}

} // namespace bv::ssim
