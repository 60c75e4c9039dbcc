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

} // namespace

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

FramePtr PlanarFromRgb(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& m,
                       const ChromaResampling& chroma) {
    return ConvertPlanar(*Yv24FromRgb(src, m), format, interlaced, chroma);
}

FramePtr RgbFromPlanar(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& m,
                       const ChromaResampling& chroma) {
    return RgbFromYv24(*ConvertPlanar(src, PixelFormat::YV24, interlaced, chroma), format, m);
}

FramePtr Yuy2FromPlanar(const VideoFrame& src, bool interlaced, const ChromaResampling& chroma) {
    return RepackYuv422(*ConvertPlanar(src, PixelFormat::YV16, interlaced, chroma), PixelFormat::YUY2);
}

FramePtr PlanarFromYuy2(const VideoFrame& src, bool interlaced, PixelFormat format, const ChromaResampling& chroma) {
    return ConvertPlanar(*RepackYuv422(src, PixelFormat::YV16), format, interlaced, chroma);
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

FramePtr ConvertFrame(const FramePtr& src, PixelFormat format, bool interlaced, const ColorMatrix& matrix,
                      const ChromaResampling& chroma) {
    const PixelFormat from = src->format();
    const avs::PixelFormat& d = Describe(from);
    const bool sited = d.family == avs::FormatFamily::PlanarYuv && d.chromaShiftX == 1;
    if (from == format && (!sited || chroma.in == chroma.out))
        return src;
    if ((from == PixelFormat::YV16 && format == PixelFormat::YUY2) ||
        (from == PixelFormat::YUY2 && format == PixelFormat::YV16))
        return RepackYuv422(*src, format);
    if (!IsClassic(from) || !IsClassic(format)) {
        // YUY2 and RGB hold 8 bits: deeper sources are brought to 8 bits first.
        PixelFormat at8 = from;
        if (BitDepth(from) > 8 && (IsRgb(format) || format == PixelFormat::YUY2)) {
            WithDepth(from, 8, at8);
            return ConvertFrame(ConvertBitDepth(src, at8, false), format, interlaced, matrix, chroma);
        }
        if (IsRgb(format))
            return RgbFromYv24(*ConvertPlanar(*AsPlanar(src), PixelFormat::YV24, interlaced, chroma), format,
                               matrix);
        if (format == PixelFormat::YUY2)
            return RepackYuv422(*ConvertPlanar(*AsPlanar(src), PixelFormat::YV16, interlaced, chroma), format);
        // To planar or grey: the layout at the source's depth, then the target's depth.
        PixelFormat layout = format;
        const FramePtr planar = IsRgb(from) ? Yv24FromRgb(*src, matrix) : AsPlanar(src);
        WithDepth(format, BitDepth(planar->format()), layout);
        const bool same = planar->format() == layout && (!sited || chroma.in == chroma.out);
        const FramePtr converted = same ? planar : ConvertPlanar(*planar, layout, interlaced, chroma);
        return ConvertBitDepth(converted, format, false);
    }
    if (Is420Of8Bits(from) && Is420Of8Bits(format))
        return ConvertPlanar(*src, format, interlaced, chroma);
    if (IsRgb(from) && IsRgb(format))
        return RgbFromRgb(*src, format);
    if (IsRgb(from))
        return format == PixelFormat::YUY2 ? Yuy2FromRgb(*src, matrix)
                                           : PlanarFromRgb(*src, interlaced, format, matrix, chroma);
    if (IsRgb(format))
        return from == PixelFormat::YUY2 ? RgbFromYuy2(*src, format, matrix)
                                         : RgbFromPlanar(*src, interlaced, format, matrix, chroma);
    return from == PixelFormat::YUY2 ? PlanarFromYuy2(*src, interlaced, format, chroma)
                                     : Yuy2FromPlanar(*src, interlaced, chroma);
}

} // namespace bv::builtin
