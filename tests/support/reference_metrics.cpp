#include "support/reference_metrics.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace bv::reference {
namespace {

using avs::FormatFamily;

int Sample(const PlaneView& p, int bytes, int i, int y) {
    const uint8_t* at =
        p.data + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(i) * bytes;
    if (bytes == 1)
        return *at;
    uint16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

} // namespace

int Picture::Y(int x, int y) const {
    if (format->family == FormatFamily::PackedYuv422)
        return Sample(planes[0], 1, 2 * x, y); // Y0 U Y1 V: pixel x's luma is byte 2x
    return Sample(planes[0], format->bytesPerSample, x, y);
}

int Picture::U(int x, int y) const {
    if (format->family == FormatFamily::PackedYuv422)
        return Sample(planes[0], 1, 4 * (x / 2) + 1, y);
    return Sample(planes[1], format->bytesPerSample, x >> format->chromaShiftX, y >> format->chromaShiftY);
}

int Picture::V(int x, int y) const {
    if (format->family == FormatFamily::PackedYuv422)
        return Sample(planes[0], 1, 4 * (x / 2) + 3, y);
    return Sample(planes[2], format->bytesPerSample, x >> format->chromaShiftX, y >> format->chromaShiftY);
}

namespace {

// Sums over the pixels, exact in integers; the distances of each row are added two by two: the
// pixels x and x + 1 (x even) together first, then to the sum (an odd last pixel alone).
struct Sums {
    int64_t sq[3] = {0, 0, 0}, ab[3] = {0, 0, 0};
    double dist = 0;
};

PsnrFrameResult Means(const Sums& s, int64_t pixelCount) {
    if (pixelCount <= 0)
        return {};
    const double n = static_cast<double>(pixelCount);
    return {s.sq[0] / n, s.sq[1] / n, s.sq[2] / n, s.ab[0] / n, s.ab[1] / n, s.ab[2] / n, s.dist / n};
}

Sums PixelSums(const Picture& o, const Picture& e) {
    Sums s;
    int64_t(&sq)[3] = s.sq;
    int64_t(&ab)[3] = s.ab;
    double& dist = s.dist;
    const bool chroma = o.format->family != FormatFamily::Grey;
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; x += 2) {
            double pair[2] = {0, 0};
            const int n = x + 1 < o.width ? 2 : 1;
            for (int k = 0; k < n; ++k) {
                const int64_t d[3] = {o.Y(x + k, y) - e.Y(x + k, y),
                                      chroma ? o.U(x + k, y) - e.U(x + k, y) : 0,
                                      chroma ? o.V(x + k, y) - e.V(x + k, y) : 0};
                for (int p = 0; p < 3; ++p) {
                    sq[p] += d[p] * d[p];
                    ab[p] += std::abs(d[p]);
                }
                pair[k] = std::sqrt(static_cast<double>(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
            }
            if (chroma)
                dist += n == 2 ? pair[0] + pair[1] : pair[0];
        }
    return s;
}

} // namespace

PsnrFrameResult MseAndDistance(const Picture& o, const Picture& e) {
    return Means(PixelSums(o, e), static_cast<int64_t>(o.width) * o.height);
}

SsimFrameResult SsimY(const Picture& o, const Picture& e) {
    // C1 = (0.01 · peak)², C2 = (0.03 · peak)², each the double nearest its exact value; the
    // weight's thresholds 40, 50 and ramp 10 in 8-bit units, scaled to the depth.
    const double peak = (1 << o.format->bitDepth) - 1;
    const double c1 = peak * peak / 10000, c2 = 9 * peak * peak / 10000;
    const double scale = 1 << (o.format->bitDepth - 8);
    const double low = 40 * scale, high = 50 * scale, ramp = 10 * scale;
    SsimFrameResult r{};
    double lowest = 1.0, sum = 0, weighted = 0, weightSum = 0;
    int lowestX = 0, lowestY = 0;
    long windows = 0;
    for (int y = 0; y + 8 <= o.height; ++y)
        for (int x = 0; x + 8 <= o.width; ++x) {
            int64_t so = 0, se = 0;
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i) {
                    so += o.Y(x + i, y + j);
                    se += e.Y(x + i, y + j);
                }
            const double mo = so / 64.0, me = se / 64.0;
            double vo = 0, ve = 0, coe = 0;
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i) {
                    const double a = o.Y(x + i, y + j) - mo, b = e.Y(x + i, y + j) - me;
                    vo += a * a;
                    ve += b * b;
                    coe += a * b;
                }
            const double varO = vo / 63, varE = ve / 63, cov = coe / 63;
            double s =
                ((2 * mo * me + c1) * (2 * cov + c2)) / ((mo * mo + me * me + c1) * (varO + varE + c2));
            if (!(s >= 0))
                s = 0;
            const double w = mo <= low ? 0.0 : mo > high ? 1.0 : (mo - low) / ramp;
            if (s < lowest) {
                lowest = s;
                lowestX = x;
                lowestY = y;
            }
            ++windows;
            sum += s;
            weighted += w * s;
            weightSum += w;
        }
    r.ssimY = windows >= 1 ? sum / windows : 0;
    r.weightSum = weightSum;
    r.qY = weightSum > 0 ? weighted / weightSum : 0;
    r.windowCount = static_cast<double>(windows);
    r.lowestSsim = lowest;
    r.lowestX = lowestX;
    r.lowestY = lowestY;
    return r;
}

namespace {

Picture Yuy2(const PlaneView& image, int height) {
    Picture p;
    p.format = &avs::Yuy2Format();
    p.planes[0] = image;
    p.width = image.rowSize / 2;
    p.height = height;
    return p;
}

} // namespace

SsimFrameResult SsimY(const PlaneView& o, const PlaneView& e, int height) {
    return SsimY(Yuy2(o, height), Yuy2(e, height));
}

PsnrFrameResult MseAndDistance(const PlaneView& o, const PlaneView& e, int height, int64_t pixelCount) {
    // Whole groups only, divided by the count given.
    Picture a = Yuy2(o, height), b = Yuy2(e, height);
    a.width = b.width = o.rowSize / 4 * 2;
    return Means(PixelSums(a, b), pixelCount);
}

} // namespace bv::reference
