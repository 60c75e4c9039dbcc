// Clips made from nothing: ColorBars, BlankClip and Version.
#include "avs_builtin/color_convert.h"
#include "avs_builtin/frame_rate.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/still_clip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace bv::builtin {

namespace {

PixelFormat ParseFormat(const std::string& who, const std::string& name) {
    PixelFormat f;
    if (!PixelFormatFromName(name, f))
        throw ScriptError(who + ": pixel_type must be \"RGB32\", \"RGB24\", \"YUY2\", \"YV12\", \"I420\" or "
                                "another AviSynth+ format name");
    return f;
}

void CheckLength(const std::string& who, int64_t frames) {
    if (frames < 0 || frames > kMaxFrameCount)
        throw ScriptError(who + ": the length must be between 0 and " + std::to_string(kMaxFrameCount));
}

// Paints one pixel (x, y) of the picture; `color` is 0xRRGGBB for RGB or 0xYYUUVV for YUV.
// YUV pictures take their chroma from the even pixel of each pair.
template <typename ColorAt>
FramePtr Paint(const VideoInfo& vi, bool yuvColors, ColorAt colorAt) {
    auto f = VideoFrame::Create(vi.format, vi.width, vi.height);
    auto yuvOf = [&](uint32_t c, int& y, int& u, int& v) {
        if (yuvColors) {
            y = (c >> 16) & 255;
            u = (c >> 8) & 255;
            v = c & 255;
        } else {
            RgbToYuv601((c >> 16) & 255, (c >> 8) & 255, c & 255, y, u, v);
        }
    };
    for (int y = 0; y < vi.height; ++y) {
        if (IsRgb(vi.format)) {
            const int bpp = BytesPerPixel(vi.format);
            uint8_t* row = f->writableRow(y);
            for (int x = 0; x < vi.width; ++x) {
                const uint32_t c = colorAt(x, y);
                row[x * bpp + 0] = c & 255;
                row[x * bpp + 1] = (c >> 8) & 255;
                row[x * bpp + 2] = (c >> 16) & 255;
                if (bpp == 4)
                    row[x * bpp + 3] = (c >> 24) & 255;
            }
        } else if (vi.format == PixelFormat::YUY2) {
            uint8_t* row = f->writableRow(y);
            for (int x = 0; x < vi.width; x += 2) {
                int y0, y1, u, v, u1, v1;
                yuvOf(colorAt(x, y), y0, u, v);
                yuvOf(colorAt(x + 1, y), y1, u1, v1);
                row[2 * x + 0] = static_cast<uint8_t>(y0);
                row[2 * x + 1] = static_cast<uint8_t>(u);
                row[2 * x + 2] = static_cast<uint8_t>(y1);
                row[2 * x + 3] = static_cast<uint8_t>(v);
            }
        } else {
            // Planar and grey: each chroma sample takes the colour of its block's top-left
            // pixel; deeper formats get the 8-bit values shifted up, as limited range scales.
            const avs::PixelFormat& d = Describe(vi.format);
            const int shift = d.bitDepth - 8;
            auto store = [&d, shift](uint8_t* row, int x, int value) {
                if (d.bytesPerSample == 1)
                    row[x] = static_cast<uint8_t>(value);
                else
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value << shift);
            };
            auto chromaRow = [&](int plane) {
                return d.planes > 1 ? f->writableData(plane) + static_cast<ptrdiff_t>(y >> d.chromaShiftY) * f->pitch(plane)
                                    : nullptr;
            };
            uint8_t* luma = f->writableData(0) + static_cast<ptrdiff_t>(y) * f->pitch(0);
            uint8_t* cu = chromaRow(1);
            uint8_t* cv = chromaRow(2);
            const bool firstOfBlock = y % (1 << d.chromaShiftY) == 0;
            for (int x = 0; x < vi.width; ++x) {
                int yy, u, v;
                yuvOf(colorAt(x, y), yy, u, v);
                store(luma, x, yy);
                if (cu != nullptr && firstOfBlock && x % (1 << d.chromaShiftX) == 0) {
                    store(cu, x >> d.chromaShiftX, u);
                    store(cv, x >> d.chromaShiftX, v);
                }
            }
        }
    }
    return f;
}

// SMPTE colour bars in studio levels: seven 75% bars, a strip of reversed blue bars, and
// -I, 100% white, +Q, black with the PLUGE (-4, 0 and +4 IRE) at the bottom.
enum Bar {
    kWhite75,
    kYellow,
    kCyan,
    kGreen,
    kMagenta,
    kRed,
    kBlue,
    kBlack,
    kMinusI,
    kWhite,
    kPlusQ,
    kBelow,
    kAbove
};

// Which bar pixel (x, y) shows. Edges fall on the pixel nearest their exact place, on the
// nearest chroma sample boundary for YUV (`xStep`, `yStep` 2 where chroma is shared).
Bar ColorBarAt(const VideoInfo& vi, int xStep, int yStep, int x, int y) {
    static constexpr Bar kTop[7] = {kWhite75, kYellow, kCyan, kGreen, kMagenta, kRed, kBlue};
    static constexpr Bar kMiddle[7] = {kBlue, kBlack, kMagenta, kBlack, kCyan, kBlack, kWhite75};
    static constexpr Bar kBottom[8] = {kMinusI, kWhite, kPlusQ, kBlack, kBelow, kBlack, kAbove, kBlack};
    // The edge at num/den of `size`, rounded to the nearest multiple of `step`.
    auto edge = [](int64_t size, int64_t num, int64_t den, int64_t step) {
        return static_cast<int>((2 * size * num + step * den) / (2 * step * den) * step);
    };
    const int w = vi.width, h = vi.height;
    if (y < edge(h, 3, 4, yStep)) {
        int bar = 0;
        while (bar < 6 && x >= edge(w, bar + 1, 7, xStep))
            ++bar;
        return (y < edge(h, 2, 3, yStep) ? kTop : kMiddle)[bar];
    }
    // Bottom: -I, white, +Q and black of 5/4 bar each, three PLUGE bars of 1/3 bar, black.
    const int edges[7] = {edge(w, 5, 28, xStep),  edge(w, 10, 28, xStep), edge(w, 15, 28, xStep),
                          edge(w, 20, 28, xStep), edge(w, 16, 21, xStep), edge(w, 17, 21, xStep),
                          edge(w, 18, 21, xStep)};
    int i = 0;
    while (i < 7 && x >= edges[i])
        ++i;
    return kBottom[i];
}

// The colours as 0xRRGGBB in studio RGB (75% = 180, black 16) and as 0xYYUUVV. The 75% bars
// in YUV are Rec.601 of the exact 75% levels (16 + 0.75 * 219 = 180.25); the PLUGE colours
// are the SMPTE values, -I and +Q at black's luma.
struct BarPalette {
    uint32_t rgb[13];
    uint32_t yuv[13];
};

BarPalette MakeBarPalette() {
    BarPalette p{};
    const double hi = 16 + 0.75 * 219;
    const int bars[7][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    auto clamp8 = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
    for (int i = 0; i < 7; ++i) {
        const double r = bars[i][0] ? hi : 16, g = bars[i][1] ? hi : 16, b = bars[i][2] ? hi : 16;
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        const double u = 128 + (b - y) / 1.772 * 224 / 219, v = 128 + (r - y) / 1.402 * 224 / 219;
        p.rgb[i] = clamp8(r) << 16 | clamp8(g) << 8 | clamp8(b);
        p.yuv[i] = clamp8(y) << 16 | clamp8(u) << 8 | clamp8(v);
    }
    const uint32_t rgb[6] = {0x101010, 0x003a62, 0xebebeb, 0x3b0f7e, 0x070707, 0x191919};
    const uint32_t yuv[6] = {0x108080, 0x109e5f, 0xeb8080, 0x10ae95, 0x078080, 0x198080};
    for (int i = 0; i < 6; ++i) {
        p.rgb[kBlack + i] = rgb[i];
        p.yuv[kBlack + i] = yuv[i];
    }
    return p;
}

// ColorBars(width=640, height=480, pixel_type="RGB32", staticframes=true): an hour at 29.97
// fps. RGB32's alpha is 0.
Value ColorBars(const Args& a, CallContext& ctx) {
    VideoInfo vi;
    vi.width = a.IntOr(0, 640);
    vi.height = a.IntOr(1, 480);
    vi.format = ParseFormat(ctx.name, a.StringOr(2, "RGB32"));
    vi.fpsNumerator = 30000;
    vi.fpsDenominator = 1001;
    vi.frameCount = 107892;
    CheckFrameSize(ctx.name.c_str(), vi.format, vi.width, vi.height);
    return Value::FromClip(std::make_shared<StillClip>(vi, [](const VideoInfo& info) {
        static const BarPalette palette = MakeBarPalette();
        const bool rgb = IsRgb(info.format);
        const uint32_t* colors = rgb ? palette.rgb : palette.yuv;
        const avs::PixelFormat& d = Describe(info.format);
        const int xStep = 1 << d.chromaShiftX, yStep = 1 << d.chromaShiftY;
        return Paint(info, !rgb, [&](int x, int y) { return colors[ColorBarAt(info, xStep, yStep, x, y)]; });
    }));
}

// BlankClip([clip], length=240, width=640, height=480, pixel_type="RGB32", fps=24,
//           fps_denominator=1, audio..., color=$000000, color_yuv, clip): a template clip's
// properties are the defaults.
Value BlankClip(const Args& a, CallContext& ctx) {
    VideoInfo vi;
    vi.width = 640;
    vi.height = 480;
    vi.format = PixelFormat::RGB32;
    vi.fpsNumerator = 24;
    vi.fpsDenominator = 1;
    vi.frameCount = 240;
    const size_t templateSlot = a.Has(0) ? 0 : a.Has(12) ? 12 : SIZE_MAX;
    if (templateSlot != SIZE_MAX)
        vi = a.ClipAt(templateSlot)->info();
    const int64_t length = a.IntOr(1, vi.frameCount);
    CheckLength(ctx.name, length);
    vi.frameCount = static_cast<int>(length);
    vi.width = a.IntOr(2, vi.width);
    vi.height = a.IntOr(3, vi.height);
    if (a.Has(4))
        vi.format = ParseFormat(ctx.name, a[4].asString());
    if (a.Has(5)) {
        if (a[5].isInt()) {
            if (a[5].asInt() <= 0 || a.IntOr(6, 1) <= 0)
                throw ScriptError(ctx.name + ": the frame rate must be positive");
            vi.fpsNumerator = static_cast<uint32_t>(a[5].asInt());
            vi.fpsDenominator = static_cast<uint32_t>(a.IntOr(6, 1));
        } else {
            FloatToFps(ctx.name, a[5].asFloat(), vi.fpsNumerator, vi.fpsDenominator);
        }
    }
    CheckFrameSize(ctx.name.c_str(), vi.format, vi.width, vi.height);
    const bool yuvColor = a.Has(11) && !IsRgb(vi.format);
    const uint32_t color = static_cast<uint32_t>(yuvColor ? a.IntOr(11, 0) : a.IntOr(10, 0));
    return Value::FromClip(std::make_shared<StillClip>(vi, [color, yuvColor](const VideoInfo& info) {
        return Paint(info, yuvColor, [color](int, int) { return color; });
    }));
}

// BlankClip without a template clip: the same with the template's slot empty.
Value BlankClipNoTemplate(const Args& a, CallContext& ctx) {
    std::vector<Value> slots{Value()};
    for (size_t i = 0; i < a.size(); ++i)
        slots.push_back(a[i]);
    return BlankClip(Args(std::move(slots)), ctx);
}

// A 5x7 pixel font with just the letters of the version line.
struct Glyph {
    char c;
    uint8_t rows[7]; // five bits each, the leftmost pixel in bit 4
};
constexpr Glyph kFont[] = {
    {'B', {0x1e, 0x11, 0x11, 0x1e, 0x11, 0x11, 0x1e}}, {'a', {0x00, 0x00, 0x0e, 0x01, 0x0f, 0x11, 0x0f}},
    {'b', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1e}}, {'e', {0x00, 0x00, 0x0e, 0x11, 0x1f, 0x10, 0x0e}},
    {'f', {0x06, 0x09, 0x08, 0x1c, 0x08, 0x08, 0x08}}, {'i', {0x04, 0x00, 0x0c, 0x04, 0x04, 0x04, 0x0e}},
    {'l', {0x0c, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0e}}, {'m', {0x00, 0x00, 0x1a, 0x15, 0x15, 0x11, 0x11}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}}, {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'s', {0x00, 0x00, 0x0e, 0x10, 0x0e, 0x01, 0x1e}}, {'t', {0x08, 0x08, 0x1c, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0d}}, {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0a, 0x04}},
    {'-', {0x00, 0x00, 0x00, 0x1f, 0x00, 0x00, 0x00}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0c, 0x0c}},
    {'0', {0x0e, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0e}}, {'1', {0x04, 0x0c, 0x04, 0x04, 0x04, 0x04, 0x0e}},
};
constexpr const char* kVersionLine = "Brevanta built-in frame server 1.0";

// Whether pixel (x, y) of `text`, drawn at `scale` from (left, top), is lit.
bool TextPixel(const char* text, int left, int top, int scale, int x, int y) {
    if (x < left || y < top || (y - top) / scale >= 7)
        return false;
    const int column = (x - left) / scale;
    const size_t index = static_cast<size_t>(column / 6);
    if (index >= std::strlen(text) || column % 6 == 5)
        return false;
    for (const Glyph& g : kFont)
        if (g.c == text[index])
            return (g.rows[(y - top) / scale] >> (4 - column % 6)) & 1;
    return false;
}

// Version(): a short clip showing the server's name and version.
Value Version(const Args&, CallContext&) {
    VideoInfo vi;
    vi.width = 436;
    vi.height = 80;
    vi.format = PixelFormat::RGB24;
    vi.fpsNumerator = 24;
    vi.fpsDenominator = 1;
    vi.frameCount = 240;
    return Value::FromClip(std::make_shared<StillClip>(vi, [](const VideoInfo& info) {
        return Paint(info, false, [](int x, int y) {
            return TextPixel(kVersionLine, 14, 33, 2, x, y) ? 0xf0f0f0u : 0x202060u;
        });
    }));
}

} // namespace

void RegisterGeneratorFunctions(FunctionTable& t) {
    t.Add("ColorBars", "[width]i[height]i[pixel_type]s[staticframes]b", ColorBars);
    const std::string blank = "[length]i[width]i[height]i[pixel_type]s[fps]f[fps_denominator]i[audio_rate]i"
                              "[stereo]b[sixteen_bit]b[color]i[color_yuv]i[clip]c[channels]i[sample_type]s";
    t.Add("BlankClip", "c" + blank, BlankClip);
    t.Add("BlankClip", blank, BlankClipNoTemplate);
    t.Add("Version", "", Version);
}

} // namespace bv::builtin
