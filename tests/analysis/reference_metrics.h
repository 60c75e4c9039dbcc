// The metrics worked out literally, straight from their definitions, to check the run's
// figures against: no running sums, no shortcuts.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace bv::reference {

// A YUY2 picture is anything callable as picture(i, y) for byte i of row y.

struct Distances {
    double mse[3] = {0, 0, 0}; // Y, U, V
    double ed[3] = {0, 0, 0};
    double edYuv = 0;
};

template <typename O, typename E>
Distances ComputeDistances(const O& o, const E& e, int width, int height) {
    Distances d;
    double sq[3] = {0, 0, 0}, ab[3] = {0, 0, 0}, dist = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Pixel x uses its own luma byte and the chroma pair of its group.
            const int group = (x / 2) * 4;
            const int dy = o(2 * x, y) - e(2 * x, y);
            const int du = o(group + 1, y) - e(group + 1, y);
            const int dv = o(group + 3, y) - e(group + 3, y);
            sq[0] += dy * dy;
            sq[1] += du * du;
            sq[2] += dv * dv;
            ab[0] += std::abs(dy);
            ab[1] += std::abs(du);
            ab[2] += std::abs(dv);
            dist += std::sqrt(static_cast<double>(dy * dy + du * du + dv * dv));
        }
    const double n = static_cast<double>(width) * height;
    for (int p = 0; p < 3; ++p) {
        d.mse[p] = sq[p] / n;
        d.ed[p] = ab[p] / n;
    }
    d.edYuv = dist / n;
    return d;
}

inline double Psnr(double mse) {
    return 20.0 * std::log10(255.0 / std::sqrt(mse));
}

struct Ssim {
    double ssim = 0, weightSum = 0, q = 0, windows = 0, lowest = 1.0;
    int lowestX = 0, lowestY = 0;
};

template <typename O, typename E>
Ssim ComputeSsim(const O& o, const E& e, int width, int height) {
    Ssim r;
    double sum = 0, weighted = 0;
    for (int y = 0; y + 8 <= height; ++y)
        for (int x = 0; x + 8 <= width; ++x) {
            double mo = 0, me = 0;
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i) {
                    mo += o(2 * (x + i), y + j);
                    me += e(2 * (x + i), y + j);
                }
            mo /= 64;
            me /= 64;
            double vo = 0, ve = 0, c = 0;
            for (int j = 0; j < 8; ++j)
                for (int i = 0; i < 8; ++i) {
                    const double a = o(2 * (x + i), y + j) - mo, b = e(2 * (x + i), y + j) - me;
                    vo += a * a;
                    ve += b * b;
                    c += a * b;
                }
            double s = ((2 * mo * me + 6.5025) * (2 * c / 63 + 58.5225)) /
                       ((mo * mo + me * me + 6.5025) * (vo / 63 + ve / 63 + 58.5225));
            if (!(s >= 0))
                s = 0;
            const double w = mo <= 40 ? 0.0 : mo > 50 ? 1.0 : (mo - 40) / 10;
            if (s < r.lowest) {
                r.lowest = s;
                r.lowestX = x;
                r.lowestY = y;
            }
            r.windows += 1;
            sum += s;
            weighted += w * s;
            r.weightSum += w;
        }
    r.ssim = r.windows > 0 ? sum / r.windows : 0;
    r.q = r.weightSum > 0 ? weighted / r.weightSum : 0;
    return r;
}

// The rounding of the reports: 4 decimals, halves away from zero.
inline double Round4(double v) {
    return std::trunc(v / 0.0001 + (v < 0 ? -0.5 : 0.5)) * 0.0001;
}

} // namespace bv::reference
