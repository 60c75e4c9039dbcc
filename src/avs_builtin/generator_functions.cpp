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
        throw ScriptError(who + ": pixel_type must be \"RGB32\", \"RGB24\", \"YUY2\", \"YV12\" or \"I420\"");
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
            uint8_t* luma = f->writableData(0) + static_cast<ptrdiff_t>(y) * f->pitch(0);
            uint8_t* cu = f->writableData(1) + static_cast<ptrdiff_t>(y / 2) * f->pitch(1);
            uint8_t* cv = f->writableData(2) + static_cast<ptrdiff_t>(y / 2) * f->pitch(2);
            for (int x = 0; x < vi.width; ++x) {
                int yy, u, v;
                yuvOf(colorAt(x, y), yy, u, v);
                luma[x] = static_cast<uint8_t>(yy);
                if (x % 2 == 0 && y % 2 == 0) {
                    cu[x / 2] = static_cast<uint8_t>(u);
                    cv[x / 2] = static_cast<uint8_t>(v);
                }
            }
        }
    }
    return f;
}

// SMPTE colour bars: seven 75% bars, a strip of reversed blue bars, and -I, white, +Q, black
// with the PLUGE (3.5% below, at and 3.5% above black) at the bottom.
uint32_t ColorBarAt(const VideoInfo& vi, int x, int y) {
    static constexpr uint32_t kTop[7] = {0xc0c0c0, 0xc0c000, 0x00c0c0, 0x00c000,
                                         0xc000c0, 0xc00000, 0x0000c0};
    static constexpr uint32_t kMiddle[7] = {0x0000c0, 0x131313, 0xc000c0, 0x131313,
                                            0x00c0c0, 0x131313, 0xc0c0c0};
    static constexpr uint32_t kBottom[8] = {0x00214c, 0xffffff, 0x32006a, 0x131313,
                                            0x090909, 0x131313, 0x1d1d1d, 0x131313};
    const int w = vi.width, h = vi.height;
    const bool pairs = !IsRgb(vi.format); // keep bar edges on even pixels for YUV chroma
    auto edge = [pairs](int64_t v) { return static_cast<int>(pairs ? v & ~int64_t{1} : v); };
    if (y < h * 2 / 3 || y < h * 3 / 4) {
        int bar = 0;
        while (bar < 6 && x >= edge(int64_t{bar + 1} * w / 7))
            ++bar;
        return (y < h * 2 / 3 ? kTop : kMiddle)[bar];
    }
    // Bottom: four bars of 5/28 of the width, three PLUGE bars of 1/21, then black.
    const int edges[7] = {edge(int64_t{5} * w / 28),         edge(int64_t{10} * w / 28),
                          edge(int64_t{15} * w / 28),        edge(int64_t{5} * w / 7),
                          edge(int64_t{5} * w / 7 + w / 21), edge(int64_t{5} * w / 7 + 2 * w / 21),
                          edge(int64_t{6} * w / 7)};
    int i = 0;
    while (i < 7 && x >= edges[i])
        ++i;
    return kBottom[i];
}

// ColorBars(width=640, height=480, pixel_type="RGB32", staticframes=true): an hour at 29.97 fps.
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
        return Paint(info, false, [&info](int x, int y) { return 0xff000000u | ColorBarAt(info, x, y); });
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
