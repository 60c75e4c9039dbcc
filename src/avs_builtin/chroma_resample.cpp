#include "avs_builtin/chroma_resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <type_traits>
#include <vector>

namespace bv::builtin {

bool ChromaSitingFromName(const std::string& name, ChromaSiting& siting) {
    static const struct {
        const char* name;
        ChromaSiting siting;
    } kNames[] = {{"left", ChromaSiting::Left},           {"mpeg2", ChromaSiting::Left},
                  {"center", ChromaSiting::Center},       {"mpeg1", ChromaSiting::Center},
                  {"jpeg", ChromaSiting::Center},         {"top_left", ChromaSiting::TopLeft},
                  {"top", ChromaSiting::Top},             {"bottom_left", ChromaSiting::BottomLeft},
                  {"bottom", ChromaSiting::Bottom},       {"dv", ChromaSiting::Dv}};
    for (const auto& n : kNames) {
        if (strcasecmp(n.name, name.c_str()) == 0) {
            siting = n.siting;
            return true;
        }
    }
    return false;
}

ResampleKernel BicubicKernel(double b, double c) {
    // The nested form AviSynth+ evaluates, so that the doubles (and the rounding below) agree.
    const double p0 = (6. - 2. * b) / 6., p2 = (-18. + 12. * b + 6. * c) / 6., p3 = (12. - 9. * b - 6. * c) / 6.;
    const double q0 = (8. * b + 24. * c) / 6., q1 = (-12. * b - 48. * c) / 6., q2 = (6. * b + 30. * c) / 6.,
                 q3 = (-b - 6. * c) / 6.;
    return {[=](double x) {
                x = std::fabs(x);
                return x < 1 ? p0 + x * x * (p2 + x * p3) : x < 2 ? q0 + x * (q1 + x * (q2 + x * q3)) : 0.0;
            },
            2.0};
}

namespace {

constexpr double kPi = 3.14159265358979323846;

double Sinc(double x) {
    x = std::fabs(x);
    return x > 0.000001 ? std::sin(x * kPi) / (x * kPi) : 1.0;
}

// A parameter as given, or its default.
double Param(double given, double fallback) {
    return std::isnan(given) ? fallback : given;
}
int TapCount(double given, int fallback, int most) {
    return std::clamp(static_cast<int>(Param(given, fallback)), 1, most);
}

} // namespace

bool ResampleKernelFromName(const std::string& name, const double (&param)[3], ResampleKernel& k) {
    auto is = [&name](const char* n) { return strcasecmp(name.c_str(), n) == 0; };
    if (is("point")) {
        k = {[](double) { return 1.0; }, 0.0};
    } else if (is("bilinear")) {
        k = {[](double x) { return std::fabs(x) < 1 ? 1 - std::fabs(x) : 0.0; }, 1.0};
    } else if (is("bicubic")) {
        k = BicubicKernel(Param(param[0], 1.0 / 3), Param(param[1], 1.0 / 3));
    } else if (is("lanczos") || is("lanczos4")) {
        const double taps = is("lanczos4") ? 4 : TapCount(param[0], 3, 100);
        k = {[taps](double x) { return std::fabs(x) < taps ? Sinc(x) * Sinc(x / taps) : 0.0; }, taps};
    } else if (is("blackman")) {
        const double taps = TapCount(param[0], 4, 100), rtaps = 1.0 / taps;
        k = {[taps, rtaps](double x) {
                 x = std::fabs(x);
                 if (x >= taps)
                     return 0.0;
                 if (x <= 0.000001)
                     return 1.0;
                 x *= kPi;
                 return std::sin(x) / x * (0.42 + 0.5 * std::cos(x * rtaps) + 0.08 * std::cos(2 * x * rtaps));
             },
             taps};
    } else if (is("spline16")) {
        k = {[](double x) {
                 x = std::fabs(x);
                 if (x < 1)
                     return ((x - 9.0 / 5.0) * x - 1.0 / 5.0) * x + 1.0;
                 if (x < 2)
                     return ((-1.0 / 3.0 * (x - 1) + 4.0 / 5.0) * (x - 1) - 7.0 / 15.0) * (x - 1);
                 return 0.0;
             },
             2.0};
    } else if (is("spline36")) {
        k = {[](double x) {
                 x = std::fabs(x);
                 if (x < 1)
                     return ((13.0 / 11.0 * x - 453.0 / 209.0) * x - 3.0 / 209.0) * x + 1.0;
                 if (x < 2)
                     return ((-6.0 / 11.0 * (x - 1) + 270.0 / 209.0) * (x - 1) - 156.0 / 209.0) * (x - 1);
                 if (x < 3)
                     return ((1.0 / 11.0 * (x - 2) - 45.0 / 209.0) * (x - 2) + 26.0 / 209.0) * (x - 2);
                 return 0.0;
             },
             3.0};
    } else if (is("spline64")) {
        k = {[](double x) {
                 x = std::fabs(x);
                 if (x < 1)
                     return ((49.0 / 41.0 * x - 6387.0 / 2911.0) * x - 3.0 / 2911.0) * x + 1.0;
                 if (x < 2)
                     return ((-24.0 / 41.0 * (x - 1) + 4032.0 / 2911.0) * (x - 1) - 2328.0 / 2911.0) * (x - 1);
                 if (x < 3)
                     return ((6.0 / 41.0 * (x - 2) - 1008.0 / 2911.0) * (x - 2) + 582.0 / 2911.0) * (x - 2);
                 if (x < 4)
                     return ((-1.0 / 41.0 * (x - 3) + 168.0 / 2911.0) * (x - 3) - 97.0 / 2911.0) * (x - 3);
                 return 0.0;
             },
             4.0};
    } else if (is("gauss")) {
        const double p = std::clamp(Param(param[0], 30.0), 0.01, 100.0), b = std::clamp(Param(param[1], 2.0), 1.5, 3.5);
        double s = Param(param[2], 4.0);
        if (s == 0) // reach to where the weight falls to 0.01
            s = std::sqrt(4.6 / ((p * 0.1) * std::log(b)));
        k = {[p, b](double x) { return std::pow(b, -p * 0.1 * x * x); }, std::clamp(s, 0.1, 150.0)};
    } else if (is("sinc")) {
        k = {Sinc, static_cast<double>(TapCount(param[0], 4, 150))};
    } else if (is("sinpow")) {
        const double p = std::clamp(Param(param[0], 2.5), 1.0, 10.0);
        k = {[p](double x) {
                 x = std::fabs(x) * kPi / p;
                 if (x < kPi / 2)
                     return std::pow(std::cos(x), 1.8);
                 return x < kPi ? -(std::cos(x) * std::cos(x)) / (0.9 * x) : 0.0;
             },
             2.0};
    } else if (is("sinclin2")) {
        const double taps = TapCount(param[0], 15, 30);
        k = {[taps](double x) {
                 x = std::fabs(x);
                 return x < taps / 2.0 ? Sinc(x) : Sinc(x) * (2.0 - 2.0 * x / taps);
             },
             taps};
    } else if (is("userdefined2")) {
        const double b = (std::clamp(Param(param[0], 121.0), -50.0, 250.0) - 16.0) / 219.0;
        const double c = (std::clamp(Param(param[1], 19.0), -50.0, 250.0) - 16.0) / 219.0;
        k = {[b, c](double x) {
                 x = std::fabs(x);
                 return c * Sinc(x + 2) + b * Sinc(x + 1) + Sinc(x) + b * Sinc(x - 1) + c * Sinc(x - 2);
             },
             std::clamp(Param(param[2], 2.3), 1.5, 15.0)};
    } else {
        return false;
    }
    return true;
}

namespace {

// The taps of one output sample: integer weights in 1/2^bits, summing to 2^bits.
struct Taps {
    std::vector<int> index, weight;
};
// As AviSynth+'s resizer builds them: the source position steps by srcSize / dstSize from
// half a step minus half a sample (plus `shift`; point sampling starts at `shift` itself); the
// kernel is widened when shrinking; taps beyond the picture add to the edge sample; the
// normalised weights are rounded as running sums, each weight the difference of two rounded
// sums, so that they add up exactly.
std::vector<Taps> KernelTaps(const ResampleKernel& kernel, int srcSize, int dstSize, double shift, int bits) {
    const double step = static_cast<double>(srcSize) / dstSize;
    const double unit = std::max(step, 1.0), impulseStep = 1.0 / unit;
    double support = kernel.support * unit;
    const int firSize = std::max(static_cast<int>(std::ceil(support * 2)), 1);
    const bool point = support <= 0;
    if (point)
        support = 0.0001;
    const double scale = 1 << bits;
    auto fixed = [scale](double v) { return static_cast<int>(v * scale + 0.5); };
    std::vector<Taps> out(static_cast<size_t>(dstSize));
    std::vector<double> values(static_cast<size_t>(firSize));
    double pos = point ? shift : shift + step * 0.5 - 0.5;
    for (int i = 0; i < dstSize; ++i, pos += step) {
        const int start = static_cast<int>(pos + support) - firSize + 1;
        double total = 0;
        for (int k = 0; k < firSize; ++k) {
            values[static_cast<size_t>(k)] = kernel.weight((pos - (start + k)) * impulseStep);
            total += values[static_cast<size_t>(k)];
        }
        if (total == 0)
            total = 1;
        Taps& t = out[static_cast<size_t>(i)];
        double pending = 0, sum = 0;
        for (int k = 0; k < firSize; ++k) {
            const int p = start + k;
            pending += values[static_cast<size_t>(k)];
            if (p < 0 || p >= srcSize)
                continue;
            const double next = sum + pending / total;
            t.index.push_back(p);
            t.weight.push_back(fixed(next) - fixed(sum));
            sum = next;
            pending = 0;
        }
        if (pending != 0 && !t.index.empty()) // taps past the last sample
            t.weight.back() += fixed(sum + pending / total) - fixed(sum);
        if (t.index.empty()) { // every tap beyond the picture: the nearest edge sample alone
            t.index.push_back(start < 0 ? 0 : srcSize - 1);
            t.weight.push_back(fixed(1.0));
        }
    }
    return out;
}


// `count` lines of `srcSize` samples, `srcStep` apart within a line and `srcLine` between
// lines, resampled to `dstSize` samples, clamped to 0..peak. `shift` moves the sampling
// point, in source samples; edge samples repeat beyond the picture.
template <typename T>
void ResampleSamples(const ResampleKernel& kernel, const T* src, ptrdiff_t srcStep, ptrdiff_t srcLine, int srcSize,
                     T* dst, ptrdiff_t dstStep, ptrdiff_t dstLine, int dstSize, int count, double shift, int peak) {
    // Weights of 14 bits for 8-bit samples, 13 for deeper ones, as AviSynth+ has them; 16-bit
    // samples times 13-bit weights need more than 32 bits.
    using Acc = std::conditional_t<sizeof(T) == 1, int, int64_t>;
    const int bits = sizeof(T) == 1 ? 14 : 13;
    const Acc half = Acc{1} << (bits - 1);
    auto clamp = [peak, bits](Acc v) { return static_cast<T>(std::clamp<Acc>(v >> bits, 0, peak)); };
    const std::vector<Taps> taps = KernelTaps(kernel, srcSize, dstSize, shift, bits);
    if (srcLine == 1 && dstLine == 1) {
        // Lines side by side in memory (resampling rows): whole rows at a time.
        std::vector<Acc> acc(static_cast<size_t>(count));
        for (int i = 0; i < dstSize; ++i) {
            const Taps& t = taps[static_cast<size_t>(i)];
            std::fill(acc.begin(), acc.end(), half);
            for (size_t k = 0; k < t.index.size(); ++k) {
                const T* in = src + t.index[k] * srcStep;
                const int w = t.weight[k];
                for (int x = 0; x < count; ++x)
                    acc[static_cast<size_t>(x)] += static_cast<Acc>(w) * in[x];
            }
            T* out = dst + i * dstStep;
            for (int x = 0; x < count; ++x)
                out[x] = clamp(acc[static_cast<size_t>(x)]);
        }
        return;
    }
    for (int line = 0; line < count; ++line) {
        const T* in = src + line * srcLine;
        T* out = dst + line * dstLine;
        for (int i = 0; i < dstSize; ++i) {
            const Taps& t = taps[static_cast<size_t>(i)];
            Acc acc = half;
            for (size_t k = 0; k < t.index.size(); ++k)
                acc += static_cast<Acc>(t.weight[k]) * in[t.index[k] * srcStep];
            out[i * dstStep] = clamp(acc);
        }
    }
}



// Where a plane's chroma sits within the block of luma it covers, in luma samples: across,
// down, and down within each field.
struct Offsets {
    double x = 0, y = 0, top = 0, bottom = 0;
};
Offsets SitingOffsets(const avs::PixelFormat& f, ChromaSiting s, int plane) {
    if (f.chromaShiftY == 1) {
        switch (s) {
        case ChromaSiting::Dv: // V on the top row of its pair, U on the bottom one
            return plane == 1 ? Offsets{0, 1, 1, 1} : Offsets{0, 0, 0, 0};
        case ChromaSiting::Top:
            return {0.5, 0, 0, 0.5};
        case ChromaSiting::Center:
            return {0.5, 0.5, 0.25, 0.75};
        case ChromaSiting::Bottom:
            return {0.5, 1, 0.5, 1};
        case ChromaSiting::TopLeft:
            return {0, 0, 0, 0.5};
        case ChromaSiting::Left:
            return {0, 0.5, 0.25, 0.75};
        case ChromaSiting::BottomLeft:
            return {0, 1, 0.5, 1};
        }
    }
    if (f.chromaShiftY == 0 && f.chromaShiftX == 1 && s == ChromaSiting::Center)
        return {0.5, 0, 0, 0};
    return {};
}

// Where the target's first sample lies in the source, in source samples, for subsampling
// factors `in` and `out` and the two sitings; point sampling takes no centring.
double ChromaShift(bool point, int in, double dIn, int out, double dOut) {
    return point ? (dOut - dIn) / in : 0.5 + (dOut - dIn - 0.5 * out) / in;
}

// One chroma plane to another subsampling or siting at the same depth. Shrinking goes
// horizontally first, growing vertically first (as RGB <-> 4:2:0 does).
template <typename T>
void ResampleChroma(const VideoFrame& src, int plane, VideoFrame& dst, bool interlaced, const ChromaResampling& cp) {
    const avs::PixelFormat &from = Describe(src.format()), &to = Describe(dst.format());
    const int w = src.width(), h = src.height(), peak = from.PeakValue();
    const int sw = w >> from.chromaShiftX, sh = h >> from.chromaShiftY;
    const int dw = w >> to.chromaShiftX, dh = h >> to.chromaShiftY;
    const int xsIn = 1 << from.chromaShiftX, ysIn = 1 << from.chromaShiftY;
    const int xsOut = 1 << to.chromaShiftX, ysOut = 1 << to.chromaShiftY;
    const Offsets in = SitingOffsets(from, cp.in, plane), out = SitingOffsets(to, cp.out, plane);
    const bool point = cp.kernel.support <= 0;
    const double shiftX = ChromaShift(point, xsIn, in.x, xsOut, out.x);
    // Fields only where 4:2:0 is involved.
    const bool fields = interlaced && (from.chromaShiftY == 1 || to.chromaShiftY == 1);
    const double shiftY = ChromaShift(point, ysIn, in.y, ysOut, out.y);
    const double shiftTop = ChromaShift(point, ysIn, in.top, ysOut, out.top);
    const double shiftBottom = ChromaShift(point, ysIn, in.bottom, ysOut, out.bottom);
    const ptrdiff_t srcPitch = src.pitch(plane) / static_cast<ptrdiff_t>(sizeof(T));
    const ptrdiff_t dstPitch = dst.pitch(plane) / static_cast<ptrdiff_t>(sizeof(T));
    const T* inRow = SampleRow<T>(src, plane, 0);
    T* outRow = SampleRow<T>(dst, plane, 0);
    auto horizontal = [&](const T* s, ptrdiff_t sp, T* d, ptrdiff_t dp, int rows) {
        if (sw == dw && shiftX == 0) {
            for (int y = 0; y < rows; ++y)
                std::copy(s + y * sp, s + y * sp + sw, d + y * dp);
            return;
        }
        ResampleSamples(cp.kernel, s, 1, sp, sw, d, 1, dp, dw, rows, shiftX, peak);
    };
    auto vertical = [&](const T* s, ptrdiff_t sp, T* d, ptrdiff_t dp, int columns) {
        if (sh == dh && (fields ? shiftTop == 0 && shiftBottom == 0 : shiftY == 0)) {
            for (int y = 0; y < sh; ++y)
                std::copy(s + y * sp, s + y * sp + columns, d + y * dp);
            return;
        }
        if (!fields) {
            ResampleSamples(cp.kernel, s, sp, 1, sh, d, dp, 1, dh, columns, shiftY, peak);
            return;
        }
        for (int field = 0; field < 2; ++field)
            ResampleSamples(cp.kernel, s + field * sp, 2 * sp, 1, sh / 2, d + field * dp, 2 * dp, 1, dh / 2, columns,
                            field == 0 ? shiftTop : shiftBottom, peak);
    };
    if (dh > sh) {
        std::vector<T> tmp(static_cast<size_t>(sw) * dh);
        vertical(inRow, srcPitch, tmp.data(), sw, sw);
        horizontal(tmp.data(), sw, outRow, dstPitch, dh);
    } else {
        std::vector<T> tmp(static_cast<size_t>(dw) * sh);
        horizontal(inRow, srcPitch, tmp.data(), dw, sh);
        vertical(tmp.data(), dw, outRow, dstPitch, dw);
    }
}

} // namespace

FramePtr ConvertPlanar(const VideoFrame& src, PixelFormat format, bool interlaced, const ChromaResampling& chroma) {
    auto dst = VideoFrame::Create(format, src.width(), src.height());
    const avs::PixelFormat& to = Describe(format);
    for (int y = 0; y < src.planeHeight(0); ++y)
        std::memcpy(SampleRow<uint8_t>(*dst, 0, y), SampleRow<uint8_t>(src, 0, y), static_cast<size_t>(src.rowSize(0)));
    for (int p = 1; p < to.planes; ++p) {
        if (IsGrey(src.format())) {
            const int neutral = 1 << (to.bitDepth - 1);
            for (int y = 0; y < dst->planeHeight(p); ++y) {
                if (to.bytesPerSample == 1)
                    std::fill_n(SampleRow<uint8_t>(*dst, p, y), dst->rowSize(p), static_cast<uint8_t>(neutral));
                else
                    std::fill_n(SampleRow<uint16_t>(*dst, p, y), dst->rowSize(p) / 2, static_cast<uint16_t>(neutral));
            }
        } else if (to.bytesPerSample == 1) {
            ResampleChroma<uint8_t>(src, p, *dst, interlaced, chroma);
        } else {
            ResampleChroma<uint16_t>(src, p, *dst, interlaced, chroma);
        }
    }
    return dst;
}

} // namespace bv::builtin
