#include "metrics/frame_metrics.h"

#include <cmath>
#include <cstdlib>

#include "frame_source/avs_clip.h"

namespace bv {

// Straightforward versions; to be replaced by the fast kernels.
SsimFrameResult SsimKernel(const PackedImage& o, const PackedImage& e, int height) {
    SsimFrameResult r{};
    const int width = o.rowSize / 2;
    double lowest = 1.0, sumS = 0, sumW = 0, sumWS = 0;
    long count = 0;
    int lx = 0, ly = 0;
    if (height >= 8 && width >= 8) {
        for (int y = 0; y <= height - 8; ++y) {
            for (int x = 0; x <= width - 8; ++x) {
                int so = 0, se = 0;
                for (int j = 0; j < 8; ++j)
                    for (int i = 0; i < 8; ++i) {
                        so += o.data[(y + j) * o.pitch + 2 * (x + i)];
                        se += e.data[(y + j) * e.pitch + 2 * (x + i)];
                    }
                const double mo = so / 64.0, me = se / 64.0;
                double vo = 0, ve = 0, coe = 0;
                for (int j = 0; j < 8; ++j)
                    for (int i = 0; i < 8; ++i) {
                        const double a = o.data[(y + j) * o.pitch + 2 * (x + i)] - mo;
                        const double b = e.data[(y + j) * e.pitch + 2 * (x + i)] - me;
                        vo += a * a;
                        ve += b * b;
                        coe += a * b;
                    }
                const double so2 = vo / 63, se2 = ve / 63, soe = coe / 63;
                double s = ((2 * mo * me + 6.5025) * (2 * soe + 58.5225)) /
                           ((mo * mo + me * me + 6.5025) * (so2 + se2 + 58.5225));
                if (!(s >= 0))
                    s = 0;
                const double w = mo <= 40 ? 0.0 : mo > 50 ? 1.0 : (mo - 40) / 10;
                if (s < lowest) {
                    lowest = s;
                    lx = x;
                    ly = y;
                }
                ++count;
                sumS += s;
                sumWS += w * s;
                sumW += w;
            }
        }
    }
    r.ssimY = count >= 1 ? sumS / count : 0;
    r.weightSum = sumW;
    r.qY = sumW > 0 ? sumWS / sumW : 0;
    r.windowCount = static_cast<double>(count);
    r.lowestSsim = lowest;
    r.lowestX = lx;
    r.lowestY = ly;
    return r;
}

PsnrFrameResult MseKernel(const PackedImage& o, const PackedImage& e, int height, int64_t pixelCount) {
    double sq[3] = {0, 0, 0}, ab[3] = {0, 0, 0}, dist = 0;
    const int groups = o.rowSize / 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = o.data + static_cast<ptrdiff_t>(y) * o.pitch;
        const uint8_t* b = e.data + static_cast<ptrdiff_t>(y) * e.pitch;
        for (int g = 0; g < groups; ++g) {
            const int d0 = a[4 * g] - b[4 * g], du = a[4 * g + 1] - b[4 * g + 1];
            const int d1 = a[4 * g + 2] - b[4 * g + 2], dv = a[4 * g + 3] - b[4 * g + 3];
            sq[0] += d0 * d0 + d1 * d1;
            sq[1] += du * du + du * du;
            sq[2] += dv * dv + dv * dv;
            ab[0] += std::abs(d0) + std::abs(d1);
            ab[1] += std::abs(du) + std::abs(du);
            ab[2] += std::abs(dv) + std::abs(dv);
            dist += std::sqrt(double(d0 * d0 + du * du + dv * dv)) + std::sqrt(double(d1 * d1 + du * du + dv * dv));
        }
    }
    const double n = static_cast<double>(pixelCount);
    return {sq[0] / n, sq[1] / n, sq[2] / n, ab[0] / n, ab[1] / n, ab[2] / n, dist / n};
}

SsimFrameResult ComputeSsimY(const AvsClip& original, const AvsClip& encoded, int frameNumber, int height) {
    FrameView o = FetchFrame(original, frameNumber);
    FrameView e = FetchFrame(encoded, frameNumber);
    const SsimFrameResult r = SsimKernel({o.readPtr(), o.pitch(), o.rowSize()},
                                         {e.readPtr(), e.pitch(), e.rowSize()}, height);
    o.Release();
    e.Release();
    return r;
}

PsnrFrameResult ComputeMseAndDistance(const AvsClip& original, const AvsClip& encoded, int frameNumber,
                                      int height, int64_t pixelCount) {
    FrameView o = FetchFrame(original, frameNumber);
    FrameView e = FetchFrame(encoded, frameNumber);
    const PsnrFrameResult r = MseKernel({o.readPtr(), o.pitch(), o.rowSize()},
                                        {e.readPtr(), e.pitch(), e.rowSize()}, height, pixelCount);
    o.Release();
    e.Release();
    return r;
}

double PsnrFromMse(double mse) { return 20.0 * std::log10(255.0 / std::sqrt(mse)); }

} // namespace bv
