// The SSIM kernel's inner pieces. A strip is a run of consecutive window columns; it carries,
// for every sample column it touches, the sums of o, e, o², e² and o·e over the 8 rows of the
// current band, so each window's sums come from 8 column sums instead of 64 samples. The driver
// (ssim_kernel.cpp) moves strips down the frame and adds the window terms up in raster order.
//
// Up to 10 bits the sums of o and e share one 32-bit number, o + 65536·e: a window's sums stay
// below 2^16 each, so one addition serves both. Deeper samples keep every sum in 64 bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bv::ssim {

constexpr int kWindow = 8;

// The constants of one sample depth b. C1 = (0.01·(2^b - 1))² and C2 = (0.03·(2^b - 1))², each
// the double nearest the exact value (at 8 bits the literals 6.5025 and 58.5225); the luminance
// weight's thresholds 40 and 50 and its ramp 10 scaled by 2^(b-8).
struct DepthFacts {
    int bits = 8;
    double c1 = 0, c2 = 0;
    double weightLow = 0, weightHigh = 0, weightRamp = 0; // window means
    // The same as window sums (64 samples): at or below lowSum the weight is 0, above
    // lowSum + rampSum it is 1, between them it is (sum - lowSum) / rampSum.
    int32_t weightLowSum = 0, weightRampSum = 0;
    double rampScale = 1; // 2^-(b-8): (sum - lowSum) / rampSum = ((sum - lowSum) / 640) · rampScale
};

constexpr DepthFacts FactsFor(int bits) {
    const double peak = static_cast<double>((1 << bits) - 1);
    const int scale = 1 << (bits - 8);
    return {bits,         peak * peak / 10000, 9 * peak * peak / 10000, 40.0 * scale, 50.0 * scale,
            10.0 * scale, 64 * 40 * scale,     64 * 10 * scale,         1.0 / scale};
}
static_assert(FactsFor(8).c1 == 6.5025 && FactsFor(8).c2 == 58.5225);

// What four consecutive windows add to the frame's sums: for window k, the pair
// (ssim, weight·ssim) and the weight. The pairs of windows 0 and 2 lie in `even`, those of 1 and 3
// in `odd` (the layout two vector unpacks produce), so that the pair of window k starts at
// even[0] + 4·(k & 1) + (k & 2).
struct alignas(32) TermBlock {
    double even[4];
    double odd[4];
    double weight[4];
};

static inline const double* PairOf(const TermBlock& b, int k) { return b.even + 4 * (k & 1) + (k & 2); }
static inline double* PairOf(TermBlock& b, int k) { return b.even + 4 * (k & 1) + (k & 2); }
static inline double SsimOf(const TermBlock& b, int k) { return PairOf(b, k)[0]; }

// The running sums of a frame, in the order the pairs hold them.
struct alignas(16) Sums {
    double ssim = 0;
    double weighted = 0;
    double weight = 0;
};

// The lowest SSIM a strip has met and the column of its first window with that value; x < 0
// while none was below the strip's starting bound.
struct Lowest {
    double value = 1.0;
    int x = -1;
};

struct Strip {
    const DepthFacts* facts = nullptr;
    const uint8_t* original = nullptr;
    const uint8_t* encoded = nullptr;
    ptrdiff_t originalPitch = 0;
    ptrdiff_t encodedPitch = 0;
    int firstWindow = 0; // frame column of the strip's first window
    int windows = 0;
    int columns = 0; // windows + 7
    // Column sums; each array holds PaddedColumns(windows) entries, zero from `columns` on.
    int32_t* sumPacked = nullptr; // o + 65536·e
    int32_t* sumOO = nullptr;
    int32_t* sumEE = nullptr;
    int32_t* sumOE = nullptr;
    // For deep samples instead: sums of o, e, o², e², o·e, PaddedColumns(windows) entries each.
    int64_t* wide = nullptr;
};

// Entries of a column-sum array, and term blocks of a band, for `windows` windows: the kernels
// work in blocks of 8 windows and read up to 15 columns past each block. (Internal linkage: the
// AVX2 file must not lend its copy to the portable code.)
static inline int PaddedColumns(int windows) { return (windows + 7) / 8 * 8 + 16; }
static inline int TermBlocks(int windows) { return (windows + 7) / 8 * 2; }

// Terms that are ready to be added to the frame sums, handed to `evaluate` so that the
// additions (a chain of dependent steps) run interleaved with independent work.
struct SumFeed {
    Sums* sums = nullptr;
    const TermBlock* band = nullptr; // the band's terms
    int next = 0;                    // its next window to add
    int end = 0;                     // one past its last window that may be added
    int perBlock = 0;                // at most this many after each block of 8 windows
};

struct StripOps {
    bool wideSums; // uses Strip::wide rather than the 32-bit arrays
    // Column sums over rows y .. y+7.
    void (*start)(Strip& strip, int y);
    // From band y-1 to band y: row y+7 in, row y-1 out.
    void (*advance)(Strip& strip, int y);
    // Terms of the strip's windows [from, to) into the band's blocks `out`; `from` is a multiple
    // of 8. Folds every window below lowest.value into `lowest` (first one wins a tie). Adds terms
    // from `feed` (when given) to feed->sums as it goes, advancing the feed.
    void (*evaluate)(const Strip& strip, int from, int to, TermBlock* out, Lowest& lowest, SumFeed* feed);
    // sums += the terms of windows first .. first+count-1 of `band`, in this order.
    void (*accumulate)(Sums& sums, const TermBlock* band, int first, int count);
};

// How a frame holds its luma samples: YUY2 (every other byte), one byte each (8-bit planes and
// grey), or two bytes each (deeper planes and grey).
enum class LumaLayout { Yuy2, Bytes, Words };

const StripOps& PortableOps(LumaLayout layout);
// Only where the processor has AVX2 and FMA; nullptr where no AVX2 version exists (samples of
// more than 10 bits).
const StripOps* Avx2Ops(LumaLayout layout, int bits);

} // namespace bv::ssim
