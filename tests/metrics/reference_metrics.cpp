#include "reference_metrics.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace bv::reference {
namespace {

int Luma(const PlaneView& image, int x, int y) {
    return image.data[static_cast<std::ptrdiff_t>(y) * image.pitch + 2 * x];
}

} // namespace

SsimFrameResult SsimY(const PlaneView& o, const PlaneView& e, int height) {
    SsimFrameResult r{};
    double lowest = 1.0;
    int lowestX = 0, lowestY = 0;
    long count = 0;
    double sumSsim = 0, sumWeight = 0, sumWeighted = 0;
    const int width = o.rowSize / 2;
    if (height >= 8 && width >= 8) {
        for (int y = 0; y <= height - 8; ++y) {
            // Running window sums along the band: seeded with columns 0..6.
            int so = 0, se = 0;
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 7; ++i) {
                    so += Luma(o, i, y + j);
                    se += Luma(e, i, y + j);
                }
            for (int x = 0; x <= width - 8; ++x) {
                for (int j = 0; j < 8; ++j) {
                    so += Luma(o, x + 7, y + j);
                    se += Luma(e, x + 7, y + j);
                }
                const double mo = so / 64.0;
                const double me = se / 64.0;
                double vo = 0, ve = 0, coe = 0;
                for (int j = 0; j < 8; ++j)
                    for (int i = 0; i < 8; ++i) {
                        const double a = Luma(o, x + i, y + j) - mo;
                        const double b = Luma(e, x + i, y + j) - me;
                        vo += a * a;
                        ve += b * b;
                        coe += a * b;
                    }
                const double varO = vo / 63, varE = ve / 63, cov = coe / 63;
                double s = ((2 * mo * me + 6.5025) * (2 * cov + 58.5225)) /
                           ((mo * mo + me * me + 6.5025) * (varO + varE + 58.5225));
                if (!(s >= 0))
                    s = 0;
                const double w = mo <= 40 ? 0.0 : mo > 50 ? 1.0 : (mo - 40) / 10;
                if (s < lowest) {
                    lowest = s;
                    lowestX = x;
                    lowestY = y;
                }
                ++count;
                sumSsim += s;
                sumWeighted += w * s;
                sumWeight += w;
                for (int j = 0; j < 8; ++j) {
                    so -= Luma(o, x, y + j);
                    se -= Luma(e, x, y + j);
                }
            }
        }
    }
    r.ssimY = count >= 1 ? sumSsim / count : 0;
    r.weightSum = sumWeight;
    r.qY = sumWeight > 0 ? sumWeighted / sumWeight : 0;
    r.windowCount = static_cast<double>(count);
    r.lowestSsim = lowest;
    r.lowestX = lowestX;
    r.lowestY = lowestY;
    return r;
}

PsnrFrameResult MseAndDistance(const PlaneView& o, const PlaneView& e, int height, int64_t pixelCount) {
    double sq[3] = {0, 0, 0}, ab[3] = {0, 0, 0}, dist = 0;
    const int groups = o.rowSize / 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = o.data + static_cast<std::ptrdiff_t>(y) * o.pitch;
        const uint8_t* b = e.data + static_cast<std::ptrdiff_t>(y) * e.pitch;
        for (int g = 0; g < groups; ++g) {
            const int d0 = a[4 * g] - b[4 * g], du = a[4 * g + 1] - b[4 * g + 1];
            const int d1 = a[4 * g + 2] - b[4 * g + 2], dv = a[4 * g + 3] - b[4 * g + 3];
            sq[0] += d0 * d0 + d1 * d1;
            sq[1] += du * du + du * du;
            sq[2] += dv * dv + dv * dv;
            ab[0] += std::abs(d0) + std::abs(d1);
            ab[1] += std::abs(du) + std::abs(du);
            ab[2] += std::abs(dv) + std::abs(dv);
            dist += std::sqrt(static_cast<double>(d0 * d0 + du * du + dv * dv)) +
                    std::sqrt(static_cast<double>(d1 * d1 + du * du + dv * dv));
        }
    }
    const double n = static_cast<double>(pixelCount);
    return {sq[0] / n, sq[1] / n, sq[2] / n, ab[0] / n, ab[1] / n, ab[2] / n, dist / n};
}

} // namespace bv::reference
