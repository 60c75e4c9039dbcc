// Clips made from nothing: ColorBars, BlankClip and Version.
#include "avs_builtin/color_convert.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/still_clip.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace bv::builtin {

namespace {

// BlankClip's pixel_type, refused in AviSynth+ 3.7's words (line breaks included).
PixelFormat ParseFormat(const std::string& name) {
    PixelFormat f;
    if (!PixelFormatFromName(name, f))
        throw ScriptError("BlankClip: pixel_type must be \"RGB32\", \"RGB24\", \"YV12\", \"YV24\", \"YV16\", \"Y8\", \n"
                          "\"YUV420P?\",\"YUV422P?\",\"YUV444P?\",\"Y?\",\n"
                          "\"RGB48\",\"RGB64\",\"RGBP\",\"RGBP?\",\n"
                          "\"YV411\" or \"YUY2\"");
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

// SMPTE colour bars as AviSynth+ 3.7 draws them (Rec. ITU-R BT.801-1, studio levels): seven
// 75% bars over the top two thirds, reversed blue bars to three quarters, then -I, 100%
// white, +Q, black and the PLUGE (-4, 0, +4 IRE). The colours are AviSynth+'s own tables,
// 0xRRGGBB in studio RGB and 0xYYUUVV (its YUV values are not quite a matrix of the RGB ones).
struct BarColors {
    uint32_t top[7], middle[7], bottom[8];
};
constexpr BarColors kRgbBars = {
    {0xb4b4b4, 0xb4b410, 0x10b4b4, 0x10b410, 0xb410b4, 0xb41010, 0x1010b4},
    {0x1010b4, 0x101010, 0xb410b4, 0x101010, 0x10b4b4, 0x101010, 0xb4b4b4},
    {0x10466a, 0xebebeb, 0x481076, 0x101010, 0x070707, 0x101010, 0x191919, 0x101010}};
constexpr BarColors kYuvBars = {
    {0xb48080, 0xa22c8e, 0x839c2c, 0x70483a, 0x54b8c6, 0x4164d4, 0x23d472},
    {0x23d472, 0x108080, 0x54b8c6, 0x108080, 0x839c2c, 0x108080, 0xb48080},
    {0x109e5f, 0xeb8080, 0x10ae95, 0x108080, 0x078080, 0x108080, 0x198080, 0x108080}};

// Which colour each column of a band shows. AviSynth+ lays the bars out on the chroma grid
// of subsampled YUV (so `width` is in chroma samples there) with these integer edges.
struct BarColumns {
    std::vector<uint8_t> upper, bottom; // indices into top/middle and into bottom
};
BarColumns LayOutBars(int width) {
    BarColumns c{std::vector<uint8_t>(static_cast<size_t>(width)), std::vector<uint8_t>(static_cast<size_t>(width))};
    for (int x = 0, i = 0; x < width; ++x) {
        while (x >= (width * (i + 1) + 3) / 7)
            ++i;
        c.upper[static_cast<size_t>(x)] = static_cast<uint8_t>(i);
    }
    // -I, white, +Q, black each 5/4 of a bar, then the PLUGE in thirds of a bar, then black.
    auto bottomEnd = [width](int i) { return i < 4 ? (width * (i + 1) * 5 + 14) / 28 : (width * (i + 12) + 10) / 21; };
    for (int x = 0, i = 0; x < width; ++x) {
        while (i < 7 && x >= bottomEnd(i))
            ++i;
        c.bottom[static_cast<size_t>(x)] = static_cast<uint8_t>(i);
    }
    return c;
}

// The band of row `y` (0 top, 1 middle, 2 bottom). Packed and planar RGB are drawn from the
// bottom up (h/4 rows of bottom band, up to h/3 the middle one); YUV from the top down
// (two thirds, then up to three quarters), on the chroma grid's rows.
int BarBand(bool rgb, int y, int height) {
    if (rgb) {
        const int fromBottom = height - 1 - y;
        return fromBottom < height / 4 ? 2 : fromBottom < height / 3 ? 1 : 0;
    }
    return y * 3 < height * 2 ? 0 : y * 4 < height * 3 ? 1 : 2;
}

// ColorBars(width=640, height=480, pixel_type="RGB32", staticframes=true): an hour at 29.97
// fps. RGB32's alpha is 0; deeper YUV has the 8-bit values shifted up.
Value ColorBars(const Args& a, CallContext& ctx) {
    VideoInfo vi;
    vi.width = a.IntOr(0, 640);
    vi.height = a.IntOr(1, 480);
    PixelFormat format = PixelFormat::RGB32;
    const std::string type = a.StringOr(2, "RGB32");
    const bool known = PixelFormatFromName(type, format);
    const avs::PixelFormat& d = Describe(format);
    // AviSynth+'s checks and words.
    if (!known || d.family == avs::FormatFamily::Grey)
        throw ScriptError("ColorBars: this pixel_type not supported");
    if (format == PixelFormat::YUY2 && vi.width % 2 != 0)
        throw ScriptError("ColorBars: YUY2 width must be even!");
    if (d.chromaShiftY == 1 && (vi.width % 2 != 0 || vi.height % 2 != 0))
        throw ScriptError("ColorBars: for 4:2:0 both height and width must be even!");
    if (d.family == avs::FormatFamily::PlanarYuv && d.chromaShiftX == 1 && vi.width % 2 != 0)
        throw ScriptError("ColorBars: for 4:2:2 width must be even!");
    if (d.chromaShiftX == 2 && vi.width % 4 != 0)
        throw ScriptError("ColorBars: for 4:1:1 width must be divisible by 4!");
    vi.format = format;
    vi.fpsNumerator = 30000;
    vi.fpsDenominator = 1001;
    vi.frameCount = 107892;
    // AviSynth+ marks its bars as Rec.709 YUV or RGB, both studio (limited) range.
    vi.matrixProp = IsRgb(format) ? 0 : 1;
    vi.rangeProp = 1;
    CheckFrameSize(ctx.name.c_str(), vi.format, vi.width, vi.height);
    return Value::FromClip(std::make_shared<StillClip>(vi, [](const VideoInfo& info) {
        const bool rgb = IsRgb(info.format);
        const avs::PixelFormat& f = Describe(info.format);
        const int shiftX = f.chromaShiftX, shiftY = f.chromaShiftY;
        const BarColumns columns = LayOutBars(info.width >> shiftX);
        const BarColors& colors = rgb ? kRgbBars : kYuvBars;
        return Paint(info, !rgb, [&](int x, int y) {
            const size_t column = static_cast<size_t>(x >> shiftX);
            switch (BarBand(rgb, y >> shiftY, info.height >> shiftY)) {
            case 0:
                return colors.top[columns.upper[column]];
            case 1:
                return colors.middle[columns.upper[column]];
            default:
                return colors.bottom[columns.bottom[column]];
            }
        });
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
        vi.format = ParseFormat(a[4].asString());
    if (a.Has(5) || a.Has(6)) {
        // As AviSynth+ 3.7's BlankClip sets the rate: `fps` alone over a power of two (both
        // doubled until one reaches 2^24, so 29.97 is 31425823/1048576), else `fps` rounded
        // over `fps_denominator`; in lowest terms.
        double n = a.Has(5) ? a[5].asFloat() : vi.fpsNumerator;
        int64_t d = 1;
        if (a.Has(5) && !a.Has(6)) {
            while (n > 0 && n < 16777216 && d < 16777216) {
                n *= 2;
                d *= 2;
            }
        } else {
            d = a.Has(6) ? a[6].asInt() : vi.fpsDenominator;
        }
        // AviSynth+ would take a rate that rounds to 0 or below as it comes; refused here.
        if (!(n + 0.5 >= 1 && n + 0.5 < 2147483648.0) || d <= 0)
            throw ScriptError(ctx.name + ": the frame rate must be positive");
        const int64_t num = static_cast<int64_t>(n + 0.5), g = std::gcd(num, d);
        vi.fpsNumerator = static_cast<uint32_t>(num / g);
        vi.fpsDenominator = static_cast<uint32_t>(d / g);
    }
    CheckFrameSize(ctx.name.c_str(), vi.format, vi.width, vi.height);
    // A blank frame is marked full-range RGB or limited-range Rec.601 YUV, whatever the template.
    vi.matrixProp = IsRgb(vi.format) ? 0 : 6;
    vi.rangeProp = IsRgb(vi.format) ? 0 : 1;
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
