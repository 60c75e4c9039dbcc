// Strip operations in plain C++. Each window's figures are formed from the same values, with the
// same operations, as the direct definition; the deviation sums come from integer window sums,
// which gives them exactly (see WindowFigures).
#include "metrics/ssim_strip.h"

#include <algorithm>
#include <cstring>

namespace bv::ssim {
namespace {

template <LumaLayout L>
int Luma(const uint8_t* image, ptrdiff_t pitch, int row, int column) {
    const uint8_t* r = image + row * pitch;
    if constexpr (L == LumaLayout::Yuy2) {
        return r[2 * column];
    } else if constexpr (L == LumaLayout::Bytes) {
        return r[column];
    } else {
        uint16_t v;
        std::memcpy(&v, r + 2 * column, sizeof v);
        return v;
    }
}

// The sums of one column, whichever arrays hold them.
struct ColumnSums {
    int64_t o, e, oo, ee, oe;
};

template <bool Wide>
ColumnSums Column(const Strip& s, int c) {
    if constexpr (Wide) {
        const int n = PaddedColumns(s.windows);
        const int64_t* w = s.wide;
        return {w[c], w[n + c], w[2 * n + c], w[3 * n + c], w[4 * n + c]};
    } else {
        return {s.sumPacked[c] & 0xFFFF, s.sumPacked[c] >> 16, s.sumOO[c], s.sumEE[c], s.sumOE[c]};
    }
}

template <LumaLayout L, bool Wide>
void AddRow(Strip& s, int row, int sign) {
    const int n = PaddedColumns(s.windows);
    for (int c = 0; c < s.columns; ++c) {
        const int x = s.firstWindow + c;
        const int64_t o = Luma<L>(s.original, s.originalPitch, row, x);
        const int64_t e = Luma<L>(s.encoded, s.encodedPitch, row, x);
        if constexpr (Wide) {
            int64_t* w = s.wide;
            w[c] += sign * o;
            w[n + c] += sign * e;
            w[2 * n + c] += sign * o * o;
            w[3 * n + c] += sign * e * e;
            w[4 * n + c] += sign * o * e;
        } else {
            s.sumPacked[c] += static_cast<int32_t>(sign * (o + 65536 * e));
            s.sumOO[c] += static_cast<int32_t>(sign * o * o);
            s.sumEE[c] += static_cast<int32_t>(sign * e * e);
            s.sumOE[c] += static_cast<int32_t>(sign * o * e);
        }
    }
}

template <LumaLayout L, bool Wide>
void Start(Strip& s, int y) {
    const int n = PaddedColumns(s.windows);
    if constexpr (Wide)
        std::fill(s.wide, s.wide + 5 * n, 0);
    else
        for (int32_t* a : {s.sumPacked, s.sumOO, s.sumEE, s.sumOE})
            std::fill(a, a + n, 0);
    for (int j = 0; j < kWindow; ++j)
        AddRow<L, Wide>(s, y + j, 1);
}

template <LumaLayout L, bool Wide>
void Advance(Strip& s, int y) {
    AddRow<L, Wide>(s, y + kWindow - 1, 1);
    AddRow<L, Wide>(s, y - 1, -1);
}

// Over a window of 64 samples, the deviation sum Σ(o - So/64)² equals Σo² - So²/64 exactly:
// every term and partial sum of the direct form is a multiple of 2^-12 below 2^38 (at 16 bits),
// so nothing rounds, and (64·Σo² - So²) / 64 is an integer below 2^43 divided by a power of two.
// The same holds for the co-deviation. The divisions that follow are then the very divisions of
// the definition.
void WindowFigures(const DepthFacts& f, const ColumnSums& w, double& ssim, double& weight) {
    const double mo = w.o / 64.0;
    const double me = w.e / 64.0;
    const double vo = static_cast<double>(64 * w.oo - w.o * w.o) / 64.0;
    const double ve = static_cast<double>(64 * w.ee - w.e * w.e) / 64.0;
    const double coe = static_cast<double>(64 * w.oe - w.o * w.e) / 64.0;
    const double varO = vo / 63, varE = ve / 63, cov = coe / 63;
    double s =
        ((2 * mo * me + f.c1) * (2 * cov + f.c2)) / ((mo * mo + me * me + f.c1) * (varO + varE + f.c2));
    if (!(s >= 0))
        s = 0;
    ssim = s;
    weight = mo <= f.weightLow ? 0.0 : mo > f.weightHigh ? 1.0 : (mo - f.weightLow) / f.weightRamp;
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

template <bool Wide>
void Evaluate(const Strip& s, int from, int to, TermBlock* out, Lowest& lowest, SumFeed* feed) {
    for (int i = from; i < to; ++i) {
        if (feed != nullptr && (i - from) % 8 == 0) {
            const int n = std::min(feed->end - feed->next, feed->perBlock);
            Accumulate(*feed->sums, feed->band, feed->next, n);
            feed->next += n;
        }
        ColumnSums w{0, 0, 0, 0, 0};
        for (int k = 0; k < kWindow; ++k) {
            const ColumnSums c = Column<Wide>(s, i + k);
            w = {w.o + c.o, w.e + c.e, w.oo + c.oo, w.ee + c.ee, w.oe + c.oe};
        }
        double ssim = 0, weight = 0;
        WindowFigures(*s.facts, w, ssim, weight);
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

template <LumaLayout L, bool Wide>
constexpr StripOps kOps{Wide, Start<L, Wide>, Advance<L, Wide>, Evaluate<Wide>, Accumulate};

} // namespace

const StripOps& PortableOps(LumaLayout layout) {
    switch (layout) {
    case LumaLayout::Yuy2:
        return kOps<LumaLayout::Yuy2, false>;
    case LumaLayout::Bytes:
        return kOps<LumaLayout::Bytes, false>;
    case LumaLayout::Words:
        break;
    }
    return kOps<LumaLayout::Words, true>;
}

} // namespace bv::ssim
