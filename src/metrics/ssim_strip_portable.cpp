// Strip operations in plain C++. Each window's figures are formed from the same values, with the
// same operations, as the direct definition; the deviation sums come from integer window sums,
// which gives them exactly (see WindowFigures).
#include <algorithm>

#include "metrics/ssim_strip.h"

namespace bv::ssim {
namespace {

int Luma(const uint8_t* image, ptrdiff_t pitch, int row, int column) {
    return image[row * pitch + 2 * column];
}

void AddRow(Strip& s, int row, int sign) {
    for (int c = 0; c < s.columns; ++c) {
        const int x = s.firstWindow + c;
        const int o = Luma(s.original, s.originalPitch, row, x);
        const int e = Luma(s.encoded, s.encodedPitch, row, x);
        s.sumPacked[c] += sign * (o + 65536 * e);
        s.sumOO[c] += sign * o * o;
        s.sumEE[c] += sign * e * e;
        s.sumOE[c] += sign * o * e;
    }
}

void Start(Strip& s, int y) {
    const int n = PaddedColumns(s.windows);
    for (int32_t* a : {s.sumPacked, s.sumOO, s.sumEE, s.sumOE})
        std::fill(a, a + n, 0);
    for (int j = 0; j < kWindow; ++j)
        AddRow(s, y + j, 1);
}

void Advance(Strip& s, int y) {
    AddRow(s, y + kWindow - 1, 1);
    AddRow(s, y - 1, -1);
}

// Over a window of 64 samples, the deviation sum Σ(o - So/64)² equals Σo² - So²/64 exactly:
// every term and partial sum of the direct form is a multiple of 2^-12 below 2^22, so nothing
// rounds, and (64·Σo² - So²) / 64 is an integer divided by a power of two. The same holds for
// the co-deviation. The divisions that follow are then the very divisions of the definition.
void WindowFigures(int so, int se, int soo, int see, int soe, double& ssim, double& weight) {
    const double mo = so / 64.0;
    const double me = se / 64.0;
    const double vo = (64 * soo - so * so) / 64.0;
    const double ve = (64 * see - se * se) / 64.0;
    const double coe = (64 * soe - so * se) / 64.0;
    const double varO = vo / 63, varE = ve / 63, cov = coe / 63;
    double s = ((2 * mo * me + kC1) * (2 * cov + kC2)) / ((mo * mo + me * me + kC1) * (varO + varE + kC2));
    if (!(s >= 0))
        s = 0;
    ssim = s;
    weight = mo <= 40 ? 0.0 : mo > 50 ? 1.0 : (mo - 40) / 10;
}

void Accumulate(Sums& sums, const TermBlock* band, int first, int count) {
    // Locals: the terms could alias `sums` as far as the compiler knows, which would keep the
    // sums in memory.
    double ssim = sums.ssim, weighted = sums.weighted, weight = sums.weight;
    for (int i = first; i < first + count; ++i) {
        const TermBlock& b = band[i >> 2];
        const double* pair = PairOf(b, i & 3);
        ssim += pair[0];
        weighted += pair[1];
        weight += b.weight[i & 3];
    }
    sums.ssim = ssim;
    sums.weighted = weighted;
    sums.weight = weight;
}

void Evaluate(const Strip& s, int from, int to, TermBlock* out, Lowest& lowest, SumFeed* feed) {
    for (int i = from; i < to; ++i) {
        if (feed != nullptr && (i - from) % 8 == 0) {
            const int n = std::min(feed->end - feed->next, feed->perBlock);
            Accumulate(*feed->sums, feed->band, feed->next, n);
            feed->next += n;
        }
        int packed = 0, soo = 0, see = 0, soe = 0;
        for (int k = 0; k < kWindow; ++k) {
            packed += s.sumPacked[i + k];
            soo += s.sumOO[i + k];
            see += s.sumEE[i + k];
            soe += s.sumOE[i + k];
        }
        double ssim = 0, weight = 0;
        WindowFigures(packed & 0xFFFF, packed >> 16, soo, see, soe, ssim, weight);
        TermBlock& b = out[i >> 2];
        double* pair = PairOf(b, i & 3);
        pair[0] = ssim;
        pair[1] = weight * ssim;
        b.weight[i & 3] = weight;
        if (ssim < lowest.value) {
            lowest.value = ssim;
            lowest.x = s.firstWindow + i;
        }
    }
}

} // namespace

const StripOps& PortableOps() {
    static const StripOps ops{Start, Advance, Evaluate, Accumulate};
    return ops;
}

} // namespace bv::ssim
