#include "avs_builtin/color_convert.h"

#include <algorithm>
#include <cstring>

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

// YUV -> RGB, 16 fractional bits: 1.164 (Y-16), 1.596 V, 0.813 V, 0.391 U, 2.018 U.
constexpr int kCy = 76309;
constexpr int kCrv = 104597;
constexpr int kCgv = 53279;
constexpr int kCgu = 25675;
constexpr int kCbu = 132201;
inline void YuvToRgb(int y, int u, int v, uint8_t* bgr) {
    const int cy = (y - 16) * kCy + 32768;
    u -= 128;
    v -= 128;
    bgr[0] = Clamp8((cy + kCbu * u) >> 16);
    bgr[1] = Clamp8((cy - kCgv * v - kCgu * u) >> 16);
    bgr[2] = Clamp8((cy + kCrv * v) >> 16);
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

FramePtr Yuy2FromPlanar(const VideoFrame& src, bool interlaced) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(PixelFormat::YUY2, w, h);
    const int ch = h / 2; // chroma rows
    const int cw = w / 2;
    for (int y = 0; y < h; ++y) {
        const uint8_t* luma = src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0);
        // Two chroma rows and their weights in eighths.
        int rowA, rowB, weightA;
        if (!interlaced || h % 4 != 0) {
            // Chroma sits midway between luma row pairs: 3/4 of the nearer row, 1/4 of the other.
            const int k = y / 2;
            rowA = k;
            rowB = std::clamp(y % 2 == 0 ? k - 1 : k + 1, 0, ch - 1);
            weightA = 6;
        } else {
            const int field = y % 2, fieldRow = y / 2, j = fieldRow / 2, fieldRows = ch / 2;
            const bool even = fieldRow % 2 == 0;
            const int other = std::clamp(even ? j - 1 : j + 1, 0, fieldRows - 1);
            rowA = 2 * j + field;
            rowB = 2 * other + field;
            weightA = (field == 0) == even ? 7 : 5;
        }
        const uint8_t* ua = src.data(1) + static_cast<ptrdiff_t>(rowA) * src.pitch(1);
        const uint8_t* ub = src.data(1) + static_cast<ptrdiff_t>(rowB) * src.pitch(1);
        const uint8_t* va = src.data(2) + static_cast<ptrdiff_t>(rowA) * src.pitch(2);
        const uint8_t* vb = src.data(2) + static_cast<ptrdiff_t>(rowB) * src.pitch(2);
        uint8_t* out = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        const int weightB = 8 - weightA;
        for (int x = 0; x < cw; ++x) {
            out[4 * x + 0] = luma[2 * x];
            out[4 * x + 1] = static_cast<uint8_t>((weightA * ua[x] + weightB * ub[x] + 4) >> 3);
            out[4 * x + 2] = luma[2 * x + 1];
            out[4 * x + 3] = static_cast<uint8_t>((weightA * va[x] + weightB * vb[x] + 4) >> 3);
        }
    }
    return dst;
}

FramePtr PlanarFromYuy2(const VideoFrame& src, bool interlaced, PixelFormat format) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(format, w, h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.data(0) + static_cast<ptrdiff_t>(y) * src.pitch(0);
        uint8_t* luma = dst->writableData(0) + static_cast<ptrdiff_t>(y) * dst->pitch(0);
        for (int x = 0; x < w; ++x)
            luma[x] = in[2 * x];
    }
    const bool byField = interlaced && h % 4 == 0;
    for (int c = 0; c < h / 2; ++c) {
        int rowA, rowB, weightA; // weights in quarters
        if (!byField) {
            rowA = 2 * c;
            rowB = 2 * c + 1;
            weightA = 2;
        } else {
            const int field = c % 2, j = c / 2;
            rowA = 4 * j + field;
            rowB = rowA + 2;
            weightA = field == 0 ? 3 : 1;
        }
        const uint8_t* a = src.data(0) + static_cast<ptrdiff_t>(rowA) * src.pitch(0);
        const uint8_t* b = src.data(0) + static_cast<ptrdiff_t>(rowB) * src.pitch(0);
        uint8_t* u = dst->writableData(1) + static_cast<ptrdiff_t>(c) * dst->pitch(1);
        uint8_t* v = dst->writableData(2) + static_cast<ptrdiff_t>(c) * dst->pitch(2);
        const int weightB = 4 - weightA;
        for (int x = 0; x < w / 2; ++x) {
            u[x] = static_cast<uint8_t>((weightA * a[4 * x + 1] + weightB * b[4 * x + 1] + 2) >> 2);
            v[x] = static_cast<uint8_t>((weightA * a[4 * x + 3] + weightB * b[4 * x + 3] + 2) >> 2);
        }
    }
    return dst;
}

FramePtr Yuy2FromRgb(const VideoFrame& src) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(PixelFormat::YUY2, w, h);
    const int bpp = BytesPerPixel(src.format());
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; x += 2) {
            const uint8_t* p = in + x * bpp;
            const uint8_t* q = p + bpp;
            const int y1 = LumaOf(p[2], p[1], p[0]);
            const int y2 = LumaOf(q[2], q[1], q[0]);
            out[2 * x + 0] = static_cast<uint8_t>(y1);
            out[2 * x + 2] = static_cast<uint8_t>(y2);
            PairChroma(p[0] + q[0], p[2] + q[2], y1 + y2, out[2 * x + 1], out[2 * x + 3]);
        }
    }
    return dst;
}

FramePtr RgbFromYuy2(const VideoFrame& src, PixelFormat format) {
    const int w = src.width(), h = src.height();
    auto dst = VideoFrame::Create(format, w, h);
    const int bpp = BytesPerPixel(format);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst->writableRow(y);
        for (int x = 0; x < w; x += 2) {
            const uint8_t* pair = in + 2 * x;
            const bool last = x + 2 >= w;
            const int u0 = pair[1], v0 = pair[3];
            const int u1 = last ? u0 : (u0 + pair[5] + 1) >> 1;
            const int v1 = last ? v0 : (v0 + pair[7] + 1) >> 1;
            uint8_t* p = out + x * bpp;
            YuvToRgb(pair[0], u0, v0, p);
            YuvToRgb(pair[2], u1, v1, p + bpp);
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

FramePtr ConvertFrame(const FramePtr& src, PixelFormat format, bool interlaced) {
    const PixelFormat from = src->format();
    if (from == format)
        return src;
    if (IsPlanar(from) && IsPlanar(format)) {
        auto dst = VideoFrame::Create(format, src->width(), src->height());
        for (int p = 0; p < 3; ++p)
            CopyPlane(src->data(p), src->pitch(p), dst->writableData(p), dst->pitch(p), src->rowSize(p),
                      src->planeHeight(p));
        return dst;
    }
    if (IsRgb(from) && IsRgb(format))
        return RgbFromRgb(*src, format);
    FramePtr yuy2 = src;
    if (IsPlanar(from))
        yuy2 = Yuy2FromPlanar(*src, interlaced);
    else if (IsRgb(from))
        yuy2 = Yuy2FromRgb(*src);
    if (format == PixelFormat::YUY2)
        return yuy2;
    if (IsPlanar(format))
        return PlanarFromYuy2(*yuy2, interlaced, format);
    return RgbFromYuy2(*yuy2, format);
}

} // namespace bv::builtin
