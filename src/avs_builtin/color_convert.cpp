#include "avs_builtin/color_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <type_traits>
#include <vector>

namespace bv::builtin {

namespace {

inline uint8_t Clamp8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Fixed point, 16 fractional bits. Luma: 219/255 of the Rec.601 weights, +16.5 (rounding).
constexpr int kYB = 6416;  // 0.114 * 219/255 * 65536
constexpr int kYG = 33039; // 0.587 * 219/255 * 65536
constexpr int kYR = 16829; // 0.299 * 219/255 * 65536
constexpr int kYOffset = 0x108000;
inline int LumaOf(int r, int g, int b) {
    return (kYB * b + kYG * g + kYR * r + kYOffset) >> 16;
}

// Chroma of a pixel pair from the two pixels' summed R, B and summed luma.
constexpr int kScaleY = 38155; // 255/219 * 32768
constexpr int kCb = 507;       // 1024 / 2.018
constexpr int kCr = 642;       // 1024 / 1.596
inline uint8_t ScaledClip(int v) {
    return Clamp8((v + 32768) >> 16);
}
inline void PairChroma(int bSum, int rSum, int ySum, uint8_t& u, uint8_t& v) {
    const int scaledY = (ySum - 32) * kScaleY;
    const int by = (bSum << 15) - scaledY;
    const int ry = (rSum << 15) - scaledY;
    u = ScaledClip((by >> 10) * kCb + 0x800000);
    v = ScaledClip((ry >> 10) * kCr + 0x800000);
}

void CopyPlane(const uint8_t* src, int srcPitch, uint8_t* dst, int dstPitch, int rowSize, int height) {
    for (int y = 0; y < height; ++y)
        std::memcpy(dst + static_cast<ptrdiff_t>(y) * dstPitch, src + static_cast<ptrdiff_t>(y) * srcPitch,
                    rowSize);
}

} // namespace

void RgbToYuv601(int r, int g, int b, int& y, int& u, int& v) {
    y = LumaOf(r, g, b);
    uint8_t cu = 0, cv = 0;
    PairChroma(2 * b, 2 * r, 2 * y, cu, cv);
    u = cu;
    v = cv;
}

bool ColorMatrixFromName(const std::string& name, ColorMatrix& m) {
    static const struct {
        const char* name;
        double kr, kb;
        bool limited;
        int id;
    } kMatrices[] = {{"Rec601", 0.299, 0.114, true, 6},    {"PC.601", 0.299, 0.114, false, 6},
                     {"PC601", 0.299, 0.114, false, 6},    {"Rec709", 0.2126, 0.0722, true, 1},
                     {"PC.709", 0.2126, 0.0722, false, 1}, {"PC709", 0.2126, 0.0722, false, 1},
                     {"Rec2020", 0.2627, 0.0593, true, 9}, {"PC.2020", 0.2627, 0.0593, false, 9},
                     {"PC2020", 0.2627, 0.0593, false, 9}};
    if (name.empty()) {
        m = ColorMatrix{};
        return true;
    }
    for (const auto& k : kMatrices) {
        if (strcasecmp(k.name, name.c_str()) == 0) {
            m = ColorMatrix{k.kr, k.kb, k.limited, false, k.id};
            return true;
        }
    }
    return false;
}

bool ColorMatrixFromId(int id, ColorMatrix& m) {
    static const struct {
        int id;
        double kr, kb;
    } kIds[] = {{0, 0, 0},          {1, 0.2126, 0.0722}, {4, 0.3, 0.11},       {5, 0.299, 0.114},
                {6, 0.299, 0.114},  {7, 0.212, 0.087},   {9, 0.2627, 0.0593},  {10, 0.2627, 0.0593}};
    for (const auto& k : kIds) {
        if (k.id == id) {
            m.kr = k.kr;
            m.kb = k.kb;
            m.id = id;
            return true;
        }
    }
    return false;
}

namespace {


// A matrix as AviSynth+ works with it on 8-bit samples: coefficients times 2^shift, each
// rounded half up (negative ones towards zero, as a C cast does). Ranges: luma 219 (or 255),
// chroma 112 (or 127) either side of 128.
struct FixedMatrix {
    int yb = 0, yg = 0, yr = 0, ub = 0, ug = 0, ur = 0, vb = 0, vg = 0, vr = 0;
    int offsetY = 0; // added to Y: 16 from RGB, -16 to RGB, in limited range
    int offsetRgb = 0; // studio RGB: -16 added to R, G, B going to YUV, 16 coming from it
    // RGB to YUY2's chroma factors, Suv / (Srgb (1 - Kb)) and Suv / (Srgb (1 - Kr)), and the
    // same scaled by Srgb / Sy for luma, negated.
    int ku = 0, kv = 0, kuLuma = 0, kvLuma = 0;
};

int FixedOf(double v) {
    return static_cast<int>(v + 0.5);
}

FixedMatrix RgbToYuvFixed(const ColorMatrix& m, int shift) {
    const double kr = m.kr, kb = m.kb, kg = 1 - kr - kb, mul = 1 << shift;
    const int sy = m.limited ? 219 : 255, suv = m.limited ? 112 : 127, srgb = m.rgbLimited ? 219 : 255;
    FixedMatrix f;
    f.yb = FixedOf(sy * kb * mul / srgb);
    f.yg = FixedOf(sy * kg * mul / srgb);
    f.yr = FixedOf(sy * kr * mul / srgb);
    f.ub = FixedOf(suv * mul / srgb);
    f.ug = FixedOf(suv * kg / (kb - 1) * mul / srgb);
    f.ur = FixedOf(suv * kr / (kb - 1) * mul / srgb);
    f.vb = FixedOf(suv * kb / (kr - 1) * mul / srgb);
    f.vg = FixedOf(suv * kg / (kr - 1) * mul / srgb);
    f.vr = FixedOf(suv * mul / srgb);
    f.offsetY = m.limited ? 16 : 0;
    f.offsetRgb = m.rgbLimited ? -16 : 0;
    // Full range: white must stay white, so green takes what the rounding left over.
    if (!m.limited)
        f.yg = FixedOf(sy * mul / srgb) - (f.yr + f.yb);
    const double ku = suv / (srgb * (1.0 - kb)) * mul, kv = suv / (srgb * (1.0 - kr)) * mul;
    f.ku = FixedOf(ku);
    f.kv = FixedOf(kv);
    f.kuLuma = -FixedOf(ku * srgb / sy);
    f.kvLuma = -FixedOf(kv * srgb / sy);
    return f;
}

FixedMatrix YuvToRgbFixed(const ColorMatrix& m, int shift) {
    const double kr = m.kr, kb = m.kb, kg = 1 - kr - kb, mul = 1 << shift;
    const int sy = m.limited ? 219 : 255, suv = m.limited ? 112 : 127, srgb = m.rgbLimited ? 219 : 255;
    FixedMatrix f;
    f.yb = f.yg = f.yr = FixedOf(srgb * 1.0 * mul / sy);
    f.ub = FixedOf(srgb * (1 - kb) * mul / suv);
    f.ug = FixedOf(srgb * (kb - 1) * kb / kg * mul / suv);
    f.vg = FixedOf(srgb * (kr - 1) * kr / kg * mul / suv);
    f.vr = FixedOf(srgb * (1 - kr) * mul / suv);
    f.offsetY = m.limited ? -16 : 0;
    f.offsetRgb = m.rgbLimited ? 16 : 0;
    return f;
}

// RGB -> YUV with 15 fractional bits, YUV -> RGB with 13, rounded half up.
constexpr int kToYuvShift = 15;
constexpr int kToRgbShift = 13;

void RgbPixelToYuv(const FixedMatrix& f, const uint8_t* bgr, uint8_t& y, uint8_t& u, uint8_t& v) {
    const int b = bgr[0] + f.offsetRgb, g = bgr[1] + f.offsetRgb, r = bgr[2] + f.offsetRgb,
              half = 1 << (kToYuvShift - 1);
    y = Clamp8(f.offsetY + ((f.yb * b + f.yg * g + f.yr * r + half) >> kToYuvShift));
    u = Clamp8(128 + ((f.ub * b + f.ug * g + f.ur * r + half) >> kToYuvShift));
    v = Clamp8(128 + ((f.vb * b + f.vg * g + f.vr * r + half) >> kToYuvShift));
}

void YuvPixelToBgr(const FixedMatrix& f, int y, int u, int v, uint8_t* bgr) {
    const int luma = y + f.offsetY, cb = u - 128, cr = v - 128, half = 1 << (kToRgbShift - 1);
    bgr[0] = Clamp8(((f.yb * luma + f.ub * cb + f.vb * cr + half) >> kToRgbShift) + f.offsetRgb);
    bgr[1] = Clamp8(((f.yg * luma + f.ug * cb + f.vg * cr + half) >> kToRgbShift) + f.offsetRgb);
    bgr[2] = Clamp8(((f.yr * luma + f.ur * cb + f.vr * cr + half) >> kToRgbShift) + f.offsetRgb);
}

// Mitchell-Netravali cubic with b = c = 1/3, AviSynth's BicubicResize default, evaluated in
// the nested form AviSynth+ uses (the same doubles, so the same rounding below).
double Bicubic(double x) {
    constexpr double b = 1.0 / 3, c = 1.0 / 3;
    constexpr double p0 = (6. - 2. * b) / 6., p2 = (-18. + 12. * b + 6. * c) / 6., p3 = (12. - 9. * b - 6. * c) / 6.;
    constexpr double q0 = (8. * b + 24. * c) / 6., q1 = (-12. * b - 48. * c) / 6., q2 = (6. * b + 30. * c) / 6.,
                     q3 = (-b - 6. * c) / 6.;
    x = std::fabs(x);
    return x < 1 ? p0 + x * x * (p2 + x * p3) : x < 2 ? q0 + x * (q1 + x * (q2 + x * q3)) : 0.0;
}

// The taps of one output sample: integer weights in 1/2^bits, summing to 2^bits.
struct Taps {
    std::vector<int> index, weight;
};
// As AviSynth+'s resizer builds them: the source position steps by srcSize / dstSize from
// half a step minus half a sample (plus `shift`); the kernel is widened when shrinking; taps
// beyond the picture add to the edge sample; the normalised weights are rounded as running
// sums, each weight the difference of two rounded sums, so that they add up exactly.
std::vector<Taps> BicubicTaps(int srcSize, int dstSize, double shift, int bits) {
    const double step = static_cast<double>(srcSize) / dstSize;
    const double unit = std::max(step, 1.0), impulseStep = 1.0 / unit, support = 2 * unit;
    const int firSize = std::max(static_cast<int>(std::ceil(support * 2)), 1);
    const double scale = 1 << bits;
    auto fixed = [scale](double v) { return static_cast<int>(v * scale + 0.5); };
    std::vector<Taps> out(static_cast<size_t>(dstSize));
    std::vector<double> values(static_cast<size_t>(firSize));
    double pos = shift + step * 0.5 - 0.5;
    for (int i = 0; i < dstSize; ++i, pos += step) {
        const int start = static_cast<int>(pos + support) - firSize + 1;
        double total = 0;
        for (int k = 0; k < firSize; ++k) {
            values[static_cast<size_t>(k)] = Bicubic((pos - (start + k)) * impulseStep);
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

} // namespace

namespace {

// The bicubic resampling of ResampleLines for 8- and 16-bit samples, clamped to 0..peak
// (steps in samples).
template <typename T>
void ResampleSamples(const T* src, ptrdiff_t srcStep, ptrdiff_t srcLine, int srcSize, T* dst, ptrdiff_t dstStep,
                     ptrdiff_t dstLine, int dstSize, int count, double shift, int peak) {
    // Weights of 14 bits for 8-bit samples, 13 for deeper ones, as AviSynth+ has them; 16-bit
    // samples times 13-bit weights need more than 32 bits.
    using Acc = std::conditional_t<sizeof(T) == 1, int, int64_t>;
    const int bits = sizeof(T) == 1 ? 14 : 13;
    const Acc half = Acc{1} << (bits - 1);
    auto clamp = [peak, bits](Acc v) { return static_cast<T>(std::clamp<Acc>(v >> bits, 0, peak)); };
    const std::vector<Taps> taps = BicubicTaps(srcSize, dstSize, shift, bits);
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

// Vertical resampling of chroma between 4:2:0 (`from` rows) and 4:2:2 or 4:4:4 height
// (`to` rows). MPEG-2 places 4:2:0 chroma midway between its two rows, which the plain
// centre mapping already does; by field, the top field's chroma lies a quarter of the way
// down its two field rows and the bottom field's three quarters.
template <typename T>
void ResampleRowsOf(const T* src, ptrdiff_t srcPitch, int srcRows, T* dst, ptrdiff_t dstPitch, int dstRows,
                    int width, bool interlaced, int peak) {
    if (!interlaced) {
        ResampleSamples(src, srcPitch, 1, srcRows, dst, dstPitch, 1, dstRows, width, 0, peak);
        return;
    }
    const bool up = dstRows > srcRows;
    for (int field = 0; field < 2; ++field) {
        // In source samples: a quarter of a 4:2:0 row when upsampling, half a row of the
        // taller picture when downsampling.
        const double shift = up ? (field == 0 ? 0.125 : -0.125) : (field == 0 ? -0.25 : 0.25);
        ResampleSamples(src + field * srcPitch, 2 * srcPitch, 1, srcRows / 2, dst + field * dstPitch, 2 * dstPitch, 1,
                        dstRows / 2, width, shift, peak);
    }
}

void ResampleRows(const uint8_t* src, ptrdiff_t srcPitch, int srcRows, uint8_t* dst, ptrdiff_t dstPitch,
                  int dstRows, int width, bool interlaced) {
    ResampleRowsOf(src, srcPitch, srcRows, dst, dstPitch, dstRows, width, interlaced, 255);
}

} // namespace

void ResampleLines(const uint8_t* src, ptrdiff_t srcStep, ptrdiff_t srcLine, int srcSize, uint8_t* dst,
                   ptrdiff_t dstStep, ptrdiff_t dstLine, int dstSize, int count, double shift) {
    ResampleSamples(src, srcStep, srcLine, srcSize, dst, dstStep, dstLine, dstSize, count, shift, 255);
}

namespace {

// A chroma plane stored apart: width x height samples, no padding.
struct Plane {
    int width = 0, height = 0;
    std::vector<uint8_t> data;
    Plane(int w, int h) : width(w), height(h), data(static_cast<size_t>(w) * h) {}
    uint8_t* row(int y) { return data.data() + static_cast<ptrdiff_t>(y) * width; }
};

} // namespace

FramePtr Yuy2FromPlanar(const VideoFrame& src, bool interlaced) {
    const int w = src.width(), h = src.height(), cw = w / 2;
    auto dst = VideoFrame::Create(PixelFormat::YUY2, w, h);
    Plane u(cw, h), v(cw, h);
    ResampleRows(src.data(1), src.pitch(1), h / 2, u.row(0), cw, h, cw, interlaced);
    ResampleRows(src.data(2), src.pitch(2), h / 2, v.row(0), cw, h, cw, interlaced);
    for (int y = 0; y < h; ++y) {
        const uint8_t* luma = src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0);
        uint8_t* out = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        for (int x = 0; x < cw; ++x) {
            out[4 * x + 0] = luma[2 * x];
            out[4 * x + 1] = u.row(y)[x];
            out[4 * x + 2] = luma[2 * x + 1];
            out[4 * x + 3] = v.row(y)[x];
        }
    }
    return dst;
}

namespace {

// Three parts of `near` to one of `far`, rounded as AviSynth's byte averages round:
// the mean of the two rounded up, then its mean with `near` rounded down.
inline uint8_t ThreeToOne(int near, int far) {
    return static_cast<uint8_t>((((near + far + 1) >> 1) + near) >> 1);
}

} // namespace

FramePtr Yuy2FromYv12Direct(const VideoFrame& src, bool interlaced) {
    const int w = src.width(), h = src.height(), cw = w / 2;
    // Rows this close to the top or bottom take their own chroma row as it is.
    const int edge = interlaced ? 4 : 2;
    auto dst = VideoFrame::Create(PixelFormat::YUY2, w, h);
    for (int y = 0; y < h; ++y) {
        // The chroma row the luma row lies in (of its field), and the one beyond it that
        // gets a quarter: above for the upper row of each pair, below for the lower.
        const int own = interlaced ? 2 * (y / 4) + (y & 1) : y / 2;
        const bool upper = interlaced ? (y & 2) == 0 : (y & 1) == 0;
        const int other = own + (upper ? -1 : 1) * (interlaced ? 2 : 1);
        const bool mix = y >= edge && y < h - edge;
        const uint8_t* luma = src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0);
        const uint8_t* u = src.data(1) + static_cast<ptrdiff_t>(own) * src.pitch(1);
        const uint8_t* v = src.data(2) + static_cast<ptrdiff_t>(own) * src.pitch(2);
        const uint8_t* uo = src.data(1) + static_cast<ptrdiff_t>(mix ? other : own) * src.pitch(1);
        const uint8_t* vo = src.data(2) + static_cast<ptrdiff_t>(mix ? other : own) * src.pitch(2);
        uint8_t* out = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        for (int x = 0; x < cw; ++x) {
            out[4 * x + 0] = luma[2 * x];
            out[4 * x + 1] = mix ? ThreeToOne(u[x], uo[x]) : u[x];
            out[4 * x + 2] = luma[2 * x + 1];
            out[4 * x + 3] = mix ? ThreeToOne(v[x], vo[x]) : v[x];
        }
    }
    return dst;
}

FramePtr Yv12FromYuy2Direct(const VideoFrame& src, bool interlaced, PixelFormat format) {
    const int w = src.width(), h = src.height(), cw = w / 2;
    auto dst = VideoFrame::Create(format, w, h);
    auto in = [&](int y) { return src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0); };
    for (int y = 0; y < h; ++y) {
        uint8_t* luma = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        for (int x = 0; x < w; ++x)
            luma[x] = in(y)[2 * x];
    }
    for (int c = 0; c < h / 2; ++c) {
        // Progressive: the mean of the two rows. Interlaced: three parts of the field row
        // nearer the chroma row's centre to one of the other (rows 4k, 4k+2 for the top
        // field's row, 4k+3, 4k+1 for the bottom's).
        const int group = 4 * (c / 2);
        const uint8_t* near = in(interlaced ? group + ((c & 1) ? 3 : 0) : 2 * c);
        const uint8_t* far = in(interlaced ? group + ((c & 1) ? 1 : 2) : 2 * c + 1);
        uint8_t* u = dst->writableData(1) + static_cast<ptrdiff_t>(c) * dst->pitch(1);
        uint8_t* v = dst->writableData(2) + static_cast<ptrdiff_t>(c) * dst->pitch(2);
        for (int x = 0; x < cw; ++x) {
            if (interlaced) {
                u[x] = ThreeToOne(near[4 * x + 1], far[4 * x + 1]);
                v[x] = ThreeToOne(near[4 * x + 3], far[4 * x + 3]);
            } else {
                u[x] = static_cast<uint8_t>((near[4 * x + 1] + far[4 * x + 1] + 1) >> 1);
                v[x] = static_cast<uint8_t>((near[4 * x + 3] + far[4 * x + 3] + 1) >> 1);
            }
        }
    }
    return dst;
}

FramePtr PlanarFromYuy2(const VideoFrame& src, bool interlaced, PixelFormat format) {
    const int w = src.width(), h = src.height(), cw = w / 2;
    auto dst = VideoFrame::Create(format, w, h);
    Plane u(cw, h), v(cw, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0);
        uint8_t* luma = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        for (int x = 0; x < cw; ++x) {
            luma[2 * x] = in[4 * x];
            luma[2 * x + 1] = in[4 * x + 2];
            u.row(y)[x] = in[4 * x + 1];
            v.row(y)[x] = in[4 * x + 3];
        }
    }
    ResampleRows(u.row(0), cw, h, dst->writableData(1), dst->pitch(1), h / 2, cw, interlaced);
    ResampleRows(v.row(0), cw, h, dst->writableData(2), dst->pitch(2), h / 2, cw, interlaced);
    return dst;
}

FramePtr Yuy2FromRgb(const VideoFrame& src, const ColorMatrix& m) {
    // AviSynth's own RGB -> YUY2: each pixel's luma; the chroma of the even pixel from its
    // RGB and luma filtered 1-2-1 with its neighbours (the first pixel is its own left one),
    // in fixed point: the colour difference B - Y' (R - Y') times ku (kv).
    const FixedMatrix f = RgbToYuvFixed(m, kToYuvShift);
    constexpr int P = kToYuvShift;
    const int bias = m.limited ? (16 << P) + (1 << (P - 1)) : 1 << (P - 1);
    const int w = src.width(), h = src.height(), bpp = BytesPerPixel(src.format());
    auto dst = VideoFrame::Create(PixelFormat::YUY2, w, h);
    const int o = f.offsetRgb;
    auto luma = [&](const uint8_t* p) {
        return (f.yb * (p[0] + o) + f.yg * (p[1] + o) + f.yr * (p[2] + o) + bias) >> P;
    };
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; x += 2) {
            const uint8_t* p = in + x * bpp;
            const uint8_t* l = x > 0 ? p - bpp : p;
            const uint8_t* r = p + bpp;
            const int y0 = luma(l), y1 = luma(p), y2 = luma(r);
            out[2 * x + 0] = Clamp8(y1);
            out[2 * x + 2] = Clamp8(y2);
            const int bSum = l[0] + 2 * p[0] + r[0] + 4 * o, rSum = l[2] + 2 * p[2] + r[2] + 4 * o,
                      ySum = y0 + 2 * y1 + y2;
            if (!m.rgbLimited) {
                // Full-range RGB takes AviSynth+'s vector kernel: both sums times 16-bit
                // factors, halved, rounded at bit 16.
                const int yTerm = ySum - 4 * f.offsetY;
                out[2 * x + 1] = Clamp8((((bSum * f.ku + yTerm * f.kuLuma) >> 1) + 0x808000) >> 16);
                out[2 * x + 3] = Clamp8((((rSum * f.kv + yTerm * f.kvLuma) >> 1) + 0x808000) >> 16);
            } else if (m.limited) {
                const int scaledY = (ySum - 4 * 16) * FixedOf(255.0 / 219.0 * (1 << P));
                const int by = (bSum << P) - scaledY, ry = (rSum << P) - scaledY;
                out[2 * x + 1] = Clamp8(((by >> (P + 2 - 6)) * f.ku + (128 << (P + 6)) + (1 << (P + 5))) >> (P + 6));
                out[2 * x + 3] = Clamp8(((ry >> (P + 2 - 6)) * f.kv + (128 << (P + 6)) + (1 << (P + 5))) >> (P + 6));
            } else {
                out[2 * x + 1] = Clamp8(((bSum - ySum) * f.ku + (128 << (P + 2)) + (1 << (P + 1))) >> (P + 2));
                out[2 * x + 3] = Clamp8(((rSum - ySum) * f.kv + (128 << (P + 2)) + (1 << (P + 1))) >> (P + 2));
            }
        }
    }
    return dst;
}

FramePtr RgbFromYuy2(const VideoFrame& src, PixelFormat format, const ColorMatrix& m) {
    // AviSynth+'s own YUY2 kernel: the matrix with 16 fractional bits, luma's factor cut to 14
    // and chroma's to 13 bits applied to a sum of two chroma samples (twice its own on even
    // pixels, its own plus the next pair's on odd ones, its own twice on the last odd pixel).
    const FixedMatrix f = YuvToRgbFixed(m, 16);
    const int ky = f.yr / 4, kbu = f.ub / 8, kgu = f.ug / 8, kgv = f.vg / 8, krv = f.vr / 8;
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(format, w, h);
    const int bpp = BytesPerPixel(format);
    auto pixel = [&](int y, int su, int sv, uint8_t* bgr) {
        const int luma = (y + f.offsetY) * ky + (1 << 13) + (f.offsetRgb << 14);
        bgr[0] = Clamp8((luma + su * kbu) >> 14);
        bgr[1] = Clamp8((luma + su * kgu + sv * kgv) >> 14);
        bgr[2] = Clamp8((luma + sv * krv) >> 14);
    };
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; x += 2) {
            const uint8_t* pair = in + 2 * x;
            const int u = pair[1] - 128, v = pair[3] - 128;
            const bool last = x + 2 >= w;
            uint8_t* p = out + x * bpp;
            pixel(pair[0], 2 * u, 2 * v, p);
            pixel(pair[2], last ? 2 * u : u + pair[5] - 128, last ? 2 * v : v + pair[7] - 128, p + bpp);
            if (bpp == 4) {
                p[3] = 255;
                p[7] = 255;
            }
        }
    }
    return dst;
}

FramePtr RgbFromRgb(const VideoFrame& src, PixelFormat format) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(format, w, h);
    const int sb = BytesPerPixel(src.format()), db = BytesPerPixel(format);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; ++x) {
            out[x * db + 0] = in[x * sb + 0];
            out[x * db + 1] = in[x * sb + 1];
            out[x * db + 2] = in[x * sb + 2];
            if (db == 4)
                out[x * db + 3] = 255;
        }
    }
    return dst;
}

// YV16 <-> YUY2: the same samples, planar or packed.
FramePtr RepackYuv422(const VideoFrame& src, PixelFormat format) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(format, w, h);
    auto rowOf = [](const VideoFrame& f, int plane, int y) {
        return f.data(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane);
    };
    auto writableRowOf = [](VideoFrame& f, int plane, int y) {
        return f.writableData(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane);
    };
    for (int y = 0; y < h; ++y) {
        if (format == PixelFormat::YUY2) {
            const uint8_t *luma = rowOf(src, 0, y), *u = rowOf(src, 1, y), *v = rowOf(src, 2, y);
            uint8_t* out = writableRowOf(*dst, 0, y);
            for (int x = 0; x < w / 2; ++x) {
                out[4 * x] = luma[2 * x];
                out[4 * x + 1] = u[x];
                out[4 * x + 2] = luma[2 * x + 1];
                out[4 * x + 3] = v[x];
            }
        } else {
            const uint8_t* in = rowOf(src, 0, y);
            uint8_t *luma = writableRowOf(*dst, 0, y), *u = writableRowOf(*dst, 1, y), *v = writableRowOf(*dst, 2, y);
            for (int x = 0; x < w / 2; ++x) {
                luma[2 * x] = in[4 * x];
                u[x] = in[4 * x + 1];
                luma[2 * x + 1] = in[4 * x + 2];
                v[x] = in[4 * x + 3];
            }
        }
    }
    return dst;
}

namespace {

bool IsClassic(PixelFormat f) {
    return f == PixelFormat::YUY2 || Is420Of8Bits(f) || IsRgb(f);
}

template <typename T>
T* SampleRow(VideoFrame& f, int plane, int y) {
    return reinterpret_cast<T*>(f.writableData(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane));
}
template <typename T>
const T* SampleRow(const VideoFrame& f, int plane, int y) {
    return reinterpret_cast<const T*>(f.data(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane));
}

// One chroma plane from one subsampling to another, at the same depth. Horizontally the
// chroma sits on the first pixel it covers (MPEG-2 placement), so sample i of the target lies
// at sample i * ratio of the source; vertically it is centred, per field when interlaced.
// Shrinking goes horizontally first, growing vertically first (as RGB <-> 4:2:0 does).
template <typename T>
void ResampleChroma(const VideoFrame& src, int plane, VideoFrame& dst, bool interlaced) {
    const avs::PixelFormat &from = Describe(src.format()), &to = Describe(dst.format());
    const int w = src.width(), h = src.height(), peak = from.PeakValue();
    const int sw = w >> from.chromaShiftX, sh = h >> from.chromaShiftY;
    const int dw = w >> to.chromaShiftX, dh = h >> to.chromaShiftY;
    const ptrdiff_t srcPitch = src.pitch(plane) / static_cast<ptrdiff_t>(sizeof(T));
    const ptrdiff_t dstPitch = dst.pitch(plane) / static_cast<ptrdiff_t>(sizeof(T));
    const T* in = SampleRow<T>(src, plane, 0);
    T* out = SampleRow<T>(dst, plane, 0);
    auto horizontal = [&](const T* s, ptrdiff_t sp, T* d, ptrdiff_t dp, int rows) {
        if (sw == dw) {
            for (int y = 0; y < rows; ++y)
                std::copy(s + y * sp, s + y * sp + sw, d + y * dp);
            return;
        }
        const double ratio = static_cast<double>(sw) / dw;
        ResampleSamples(s, 1, sp, sw, d, 1, dp, dw, rows, 0.5 * (1 - ratio), peak);
    };
    auto vertical = [&](const T* s, ptrdiff_t sp, T* d, ptrdiff_t dp, int columns) {
        if (sh == dh) {
            for (int y = 0; y < sh; ++y)
                std::copy(s + y * sp, s + y * sp + columns, d + y * dp);
            return;
        }
        ResampleRowsOf(s, sp, sh, d, dp, dh, columns, interlaced, peak);
    };
    if (dh > sh) {
        std::vector<T> tmp(static_cast<size_t>(sw) * dh);
        vertical(in, srcPitch, tmp.data(), sw, sw);
        horizontal(tmp.data(), sw, out, dstPitch, dh);
    } else {
        std::vector<T> tmp(static_cast<size_t>(dw) * sh);
        horizontal(in, srcPitch, tmp.data(), dw, sh);
        vertical(tmp.data(), dw, out, dstPitch, dw);
    }
}

// Planar or grey to planar or grey of the same depth: luma copied, chroma resampled, grey's
// missing chroma neutral.
FramePtr ConvertPlanar(const VideoFrame& src, PixelFormat format, bool interlaced) {
    auto dst = VideoFrame::Create(format, src.width(), src.height());
    const avs::PixelFormat& to = Describe(format);
    CopyPlane(src.data(0), src.pitch(0), dst->writableData(0), dst->pitch(0), src.rowSize(0), src.planeHeight(0));
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
            ResampleChroma<uint8_t>(src, p, *dst, interlaced);
        } else {
            ResampleChroma<uint16_t>(src, p, *dst, interlaced);
        }
    }
    return dst;
}

// The format with the layout of `f` (subsampling, or grey) at `bits` bits; false when the
// table has none (4:1:1 deeper than 8 bits, YUY2 or RGB deeper than 8).
bool WithDepth(PixelFormat f, int bits, PixelFormat& out) {
    if (BitDepth(f) == bits) {
        out = f;
        return true;
    }
    const avs::PixelFormat& d = Describe(f);
    return (IsPlanar(f) || IsGrey(f)) && PlanarFormat(IsGrey(f), d.chromaShiftX, d.chromaShiftY, bits, out);
}

// The YUV formats as planar or grey frames (YUY2 unpacked to YV16).
FramePtr AsPlanar(const FramePtr& src) {
    return src->format() == PixelFormat::YUY2 ? RepackYuv422(*src, PixelFormat::YV16) : src;
}

// RGB to 4:4:4 by the matrix: every pixel's own Y, U and V.
FramePtr Yv24FromRgb(const VideoFrame& src, const ColorMatrix& m) {
    const FixedMatrix f = RgbToYuvFixed(m, kToYuvShift);
    const int w = src.width(), h = src.height(), bpp = BytesPerPixel(src.format());
    auto dst = VideoFrame::Create(PixelFormat::YV24, w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t *luma = SampleRow<uint8_t>(*dst, 0, y), *u = SampleRow<uint8_t>(*dst, 1, y),
                *v = SampleRow<uint8_t>(*dst, 2, y);
        for (int x = 0; x < w; ++x)
            RgbPixelToYuv(f, in + x * bpp, luma[x], u[x], v[x]);
    }
    return dst;
}

// 4:4:4 (8-bit) to RGB by the matrix.
FramePtr RgbFromYv24(const VideoFrame& src, PixelFormat format, const ColorMatrix& m) {
    const FixedMatrix f = YuvToRgbFixed(m, kToRgbShift);
    const int w = src.width(), h = src.height(), bpp = BytesPerPixel(format);
    auto dst = VideoFrame::Create(format, w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t *luma = SampleRow<uint8_t>(src, 0, y), *u = SampleRow<uint8_t>(src, 1, y),
                      *v = SampleRow<uint8_t>(src, 2, y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; ++x) {
            YuvPixelToBgr(f, luma[x], u[x], v[x], out + x * bpp);
            if (bpp == 4)
                out[x * bpp + 3] = 255;
        }
    }
    return dst;
}

} // namespace

FramePtr PlanarFromRgb(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& m) {
    return ConvertPlanar(*Yv24FromRgb(src, m), format, interlaced);
}

FramePtr RgbFromPlanar(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& m) {
    return RgbFromYv24(*ConvertPlanar(src, PixelFormat::YV24, interlaced), format, m);
}

FramePtr ConvertBitDepth(const FramePtr& src, PixelFormat format, bool fullRange) {
    const avs::PixelFormat &from = Describe(src->format()), &to = Describe(format);
    if (from.bitDepth == to.bitDepth)
        return src;
    auto dst = VideoFrame::Create(format, src->width(), src->height());
    const int64_t fromPeak = from.PeakValue(), toPeak = to.PeakValue();
    const int up = to.bitDepth - from.bitDepth;
    auto scale = [&](int v) -> int {
        if (fullRange) // stretched: 0..fromPeak onto 0..toPeak, rounded
            return static_cast<int>((v * toPeak * 2 + fromPeak) / (2 * fromPeak));
        if (up > 0) // limited range: a bit shift, so 16..235 stays 16..235 scaled
            return v << up;
        return std::min<int>((v + (1 << (-up - 1))) >> -up, static_cast<int>(toPeak));
    };
    for (int p = 0; p < from.planes; ++p) {
        const int samples = src->rowSize(p) / from.bytesPerSample;
        for (int y = 0; y < src->planeHeight(p); ++y) {
            const uint8_t* in8 = SampleRow<uint8_t>(*src, p, y);
            const uint16_t* in16 = SampleRow<uint16_t>(*src, p, y);
            for (int x = 0; x < samples; ++x) {
                const int v = scale(from.bytesPerSample == 1 ? in8[x] : in16[x]);
                if (to.bytesPerSample == 1)
                    SampleRow<uint8_t>(*dst, p, y)[x] = static_cast<uint8_t>(v);
                else
                    SampleRow<uint16_t>(*dst, p, y)[x] = static_cast<uint16_t>(v);
            }
        }
    }
    return dst;
}

FramePtr ConvertFrame(const FramePtr& src, PixelFormat format, bool interlaced, const ColorMatrix& matrix) {
    const PixelFormat from = src->format();
    if (from == format)
        return src;
    if ((from == PixelFormat::YV16 && format == PixelFormat::YUY2) ||
        (from == PixelFormat::YUY2 && format == PixelFormat::YV16))
        return RepackYuv422(*src, format);
    if (!IsClassic(from) || !IsClassic(format)) {
        // YUY2 and RGB hold 8 bits: deeper sources are brought to 8 bits first.
        PixelFormat at8 = from;
        if (BitDepth(from) > 8 && (IsRgb(format) || format == PixelFormat::YUY2)) {
            WithDepth(from, 8, at8);
            return ConvertFrame(ConvertBitDepth(src, at8, false), format, interlaced, matrix);
        }
        if (IsRgb(format))
            return RgbFromYv24(*ConvertPlanar(*AsPlanar(src), PixelFormat::YV24, interlaced), format, matrix);
        if (format == PixelFormat::YUY2)
            return RepackYuv422(*ConvertPlanar(*src, PixelFormat::YV16, interlaced), format);
        // To planar or grey: the layout at the source's depth, then the target's depth.
        PixelFormat layout = format;
        const FramePtr planar = IsRgb(from) ? Yv24FromRgb(*src, matrix) : AsPlanar(src);
        WithDepth(format, BitDepth(planar->format()), layout);
        const FramePtr converted =
            planar->format() == layout ? planar : ConvertPlanar(*planar, layout, interlaced);
        return ConvertBitDepth(converted, format, false);
    }
    if (Is420Of8Bits(from) && Is420Of8Bits(format)) {
        auto dst = VideoFrame::Create(format, src->width(), src->height());
        for (int p = 0; p < 3; ++p)
            CopyPlane(src->data(p), src->pitch(p), dst->writableData(p), dst->pitch(p), src->rowSize(p),
                      src->planeHeight(p));
        return dst;
    }
    if (IsRgb(from) && IsRgb(format))
        return RgbFromRgb(*src, format);
    if (IsRgb(from))
        return format == PixelFormat::YUY2 ? Yuy2FromRgb(*src, matrix)
                                           : PlanarFromRgb(*src, interlaced, format, matrix);
    if (IsRgb(format))
        return from == PixelFormat::YUY2 ? RgbFromYuy2(*src, format, matrix)
                                         : RgbFromPlanar(*src, interlaced, format, matrix);
    return from == PixelFormat::YUY2 ? PlanarFromYuy2(*src, interlaced, format)
                                     : Yuy2FromPlanar(*src, interlaced);
}

} // namespace bv::builtin
