// The metrics worked out literally, straight from their definitions, for every YUV format the
// kernels measure: no running sums, no shortcuts, one pixel after the other. The fast kernels
// must match these bit for bit; the run's and the command line's figures are checked against
// them too.
#pragma once

#include "avs_abi/pixel_format.h"
#include "metrics/frame_metrics.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace bv::reference {

// A frame as the format table describes it: plane 0 for YUY2 and grey, planes 0..2 (Y, U, V)
// for planar YUV.
struct Picture {
    const avs::PixelFormat* format = nullptr;
    PlaneView planes[3];
    int width = 0, height = 0;

    int Y(int x, int y) const;
    // The chroma sample pixel (x, y) shares.
    int U(int x, int y) const;
    int V(int x, int y) const;
};

// Every figure is 0 where the format lacks it (U, V and YUV of grey frames).
PsnrFrameResult MseAndDistance(const Picture& original, const Picture& encoded);
SsimFrameResult SsimY(const Picture& original, const Picture& encoded);

struct PairRecords {
    PsnrFrameResult psnr;
    SsimFrameResult ssim;
};
inline PairRecords Pair(const Picture& original, const Picture& encoded) {
    return {MseAndDistance(original, encoded), SsimY(original, encoded)};
}

// YUY2 images as one plane, `height` rows of original.rowSize / 2 pixels; MSE divided by
// `pixelCount`.
SsimFrameResult SsimY(const PlaneView& original, const PlaneView& encoded, int height);
PsnrFrameResult MseAndDistance(const PlaneView& original, const PlaneView& encoded, int height,
                               int64_t pixelCount);

// A YUY2 picture given as anything callable as picture(i, y) for byte i of row y, width x height
// pixels.
template <typename P>
std::vector<uint8_t> Yuy2Bytes(const P& picture, int width, int height) {
    std::vector<uint8_t> bytes(static_cast<size_t>(2 * width) * height);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 2 * width; ++i)
            bytes[static_cast<size_t>(y) * 2 * width + i] = static_cast<uint8_t>(picture(i, y));
    return bytes;
}

struct Distances {
    double mse[3] = {0, 0, 0}; // Y, U, V
    double ed[3] = {0, 0, 0};
    double edYuv = 0;
};

template <typename O, typename E>
Distances ComputeDistances(const O& o, const E& e, int width, int height) {
    const std::vector<uint8_t> a = Yuy2Bytes(o, width, height), b = Yuy2Bytes(e, width, height);
    const PsnrFrameResult r =
        MseAndDistance({a.data(), 2 * width, 2 * width, height}, {b.data(), 2 * width, 2 * width, height},
                       height, static_cast<int64_t>(width) * height);
    return {{r.mseY, r.mseU, r.mseV}, {r.edY, r.edU, r.edV}, r.edYuv};
}

inline double Psnr(double mse, int peak = 255) {
    return 20.0 * std::log10(peak / std::sqrt(mse));
}

struct Ssim {
    double ssim = 0, weightSum = 0, q = 0, windows = 0, lowest = 1.0;
    int lowestX = 0, lowestY = 0;
};

template <typename O, typename E>
Ssim ComputeSsim(const O& o, const E& e, int width, int height) {
    const std::vector<uint8_t> a = Yuy2Bytes(o, width, height), b = Yuy2Bytes(e, width, height);
    const SsimFrameResult r = SsimY(PlaneView{a.data(), 2 * width, 2 * width, height},
                                    PlaneView{b.data(), 2 * width, 2 * width, height}, height);
    return {r.ssimY,
            r.weightSum,
            r.qY,
            r.windowCount,
            r.lowestSsim,
            static_cast<int>(r.lowestX),
            static_cast<int>(r.lowestY)};
}

// The rounding of the reports: 4 decimals, halves away from zero.
inline double Round4(double v) {
    return std::trunc(v / 0.0001 + (v < 0 ? -0.5 : 0.5)) * 0.0001;
}

} // namespace bv::reference
