// Strip operations in plain C++. Each window's figures are formed from the same values, with the
// same operations, as the direct definition; the deviation sums come from integer window sums,
// which gives them exactly (see WindowTerms).
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
Terms WindowTerms(int so, int se, int soo, int see, int soe) {
    const double mo = so / 64.0;
    const double me = se / 64.0;
    const double vo = (64 * soo - so * so) / 64.0;
    const double ve = (64 * see - se * se) / 64.0;
    const double coe = (64 * soe - so * se) / 64.0;
    const double varO = vo / 63, varE = ve / 63, cov = coe / 63;
    double s = ((2 * mo * me + kC1) * (2 * cov + kC2)) / ((mo * mo + me * me + kC1) * (varO + varE + kC2));
    if (!(s >= 0))
        s = 0;
    const double w = mo <= 40 ? 0.0 : mo > 50 ? 1.0 : (mo - 40) / 10;
    return {s, w * s, w, 0};
}

void Accumulate(Terms& sums, const Terms* terms, int count) {
    // Locals: `terms` could alias `sums`, which would keep the sums in memory.
    double ssim = sums.ssim, weighted = sums.weighted, weight = sums.weight;
    for (int i = 0; i < count; ++i) {
        ssim += terms[i].ssim;
        weighted += terms[i].weighted;
        weight += terms[i].weight;
    }
    sums.ssim = ssim;
    sums.weighted = weighted;
    sums.weight = weight;
}

void Evaluate(const Strip& s, int from, int to, Terms* out, Lowest& lowest, SumFeed* feed) {
    for (int i = from; i < to; ++i) {
        if (feed != nullptr && (i - from) % 8 == 0) {
            const int n = feed->available < feed->perBlock ? feed->available : feed->perBlock;
            Accumulate(*feed->sums, feed->next, n);
            feed->next += n;
            feed->available -= n;
        }
        int packed = 0, soo = 0, see = 0, soe = 0;
        for (int k = 0; k < kWindow; ++k) {
            packed += s.sumPacked[i + k];
            soo += s.sumOO[i + k];
            see += s.sumEE[i + k];
            soe += s.sumOE[i + k];
        }
        out[i] = WindowTerms(packed & 0xFFFF, packed >> 16, soo, see, soe);
        if (out[i].ssim < lowest.value) {
            lowest.value = out[i].ssim;
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
