// ConvertToYUY2, ConvertToYV12, ConvertToYV16, ConvertToYV24, ConvertToYV411, ConvertToY8
// (and AviSynth+'s ConvertToYUV420/422/444 and ConvertToY), ConvertBits, ConvertToRGB,
// ConvertToRGB24 and ConvertToRGB32.
#include "avs_builtin/clip.h"
#include "avs_builtin/color_convert.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"

#include <cmath>
#include <cstdint>
#include <strings.h>

namespace bv::builtin {

namespace {

// Whether chroma siting means anything for a format: 4:2:0 and 4:2:2 (YUY2 counts as 4:2:2).
bool Sited(PixelFormat f) {
    const avs::PixelFormat& d = Describe(f);
    return f == PixelFormat::YUY2 || (d.family == avs::FormatFamily::PlanarYuv && d.chromaShiftX == 1);
}

class ConvertClip : public Clip {
public:
    // `direct`: 4:2:0 <-> YUY2 with AviSynth's own kernels rather than the resampler.
    ConvertClip(ClipPtr child, PixelFormat format, bool interlaced, const ColorMatrix& matrix,
                const ChromaResampling& chroma, bool direct)
        : child_(std::move(child)), interlaced_(interlaced), direct_(direct), matrix_(matrix), chroma_(chroma) {
        info_ = child_->info();
        info_.format = format;
        // The chroma's siting where the resampler placed it; AviSynth's own kernels keep the mark.
        if (!direct) {
            const bool planarSource = !IsRgb(child_->info().format);
            info_.chromaLocProp = format == PixelFormat::YUY2 ? (planarSource ? 0 : -1)
                                  : Sited(format)              ? static_cast<int>(chroma.out)
                                                               : -1;
        }
        // Between RGB and YUV the frames are marked with what they became.
        if (IsRgb(format) != IsRgb(child_->info().format)) {
            info_.matrixProp = IsRgb(format) ? 0 : matrix.id;
            info_.rangeProp = (IsRgb(format) ? matrix.rgbLimited : matrix.limited) ? 1 : 0;
        }
    }
    FramePtr GetFrame(int n) override {
        FramePtr src = child_->GetFrame(n);
        if (direct_)
            return info_.format == PixelFormat::YUY2 ? Yuy2FromYv12Direct(*src, interlaced_)
                                                     : Yv12FromYuy2Direct(*src, interlaced_, info_.format);
        return ConvertFrame(src, info_.format, interlaced_, matrix_, chroma_);
    }

private:
    ClipPtr child_;
    bool interlaced_;
    bool direct_;
    ColorMatrix matrix_;
    ChromaResampling chroma_;
};

class BitDepthClip : public Clip {
public:
    BitDepthClip(ClipPtr child, PixelFormat format, bool fullRange) : child_(std::move(child)), fullRange_(fullRange) {
        info_ = child_->info();
        info_.format = format;
    }
    FramePtr GetFrame(int n) override { return ConvertBitDepth(child_->GetFrame(n), info_.format, fullRange_); }

private:
    ClipPtr child_;
    bool fullRange_;
};

// Where each option sits in the parameter lists below.
struct Slots {
    size_t interlaced, matrix, inPlacement, resample, outPlacement, param1;
};
constexpr Slots kYuy2Slots{1, 2, 3, 4, SIZE_MAX, 5};
constexpr Slots kYv12Slots{1, 2, 3, 4, 5, 6};
constexpr Slots kYv24Slots{1, 2, 3, 4, SIZE_MAX, 5};
constexpr Slots kRgbSlots{2, 1, 3, 4, SIZE_MAX, 5};
constexpr Slots kY8Slots{SIZE_MAX, 1, SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX};

// Whether any chroma option (placements, resampler, its parameters) is named.
bool ChromaOptionsNamed(const Args& a, const Slots& at) {
    for (size_t slot : {at.inPlacement, at.resample, at.outPlacement})
        if (slot != SIZE_MAX && a.Has(slot))
            return true;
    for (size_t i = 0; at.param1 != SIZE_MAX && i < 3; ++i)
        if (a.Has(at.param1 + i))
            return true;
    return false;
}

// The kernel `chromaresample` names (bicubic when none) with param1..param3.
ResampleKernel KernelArg(const Args& a, const Slots& at) {
    const std::string name = at.resample != SIZE_MAX ? a.StringOr(at.resample, "") : "";
    double param[3] = {std::nan(""), std::nan(""), std::nan("")};
    for (size_t i = 0; at.param1 != SIZE_MAX && i < 3; ++i)
        if (a.Has(at.param1 + i))
            param[i] = a[at.param1 + i].asFloat();
    ResampleKernel kernel;
    if (!ResampleKernelFromName(name.empty() ? "bicubic" : name, param, kernel))
        throw ScriptError("Convert: Unknown chroma resampler, '" + name + "'");
    return kernel;
}

// A siting named in a script, "auto" or nothing meaning `fallback`.
ChromaSiting SitingArg(const Args& a, size_t slot, ChromaSiting fallback) {
    const std::string name = slot != SIZE_MAX ? a.StringOr(slot, "") : "";
    ChromaSiting s = fallback;
    if (!name.empty() && strcasecmp(name.c_str(), "auto") != 0 && !ChromaSitingFromName(name, s))
        throw ScriptError("Unknown chroma placement");
    return s;
}

// The sitings of a conversion as AviSynth+ 3.7 settles them: a 4:2:0, 4:2:2 or 4:1:1 source's
// from ChromaInPlacement, else its _ChromaLocation, else left (MPEG-2); a 4:2:0 or 4:2:2
// target's from ChromaOutPlacement, else left. Combinations its resizer does not place are
// refused in its words.
ChromaResampling ResolveChroma(const Args& a, const VideoInfo& vi, PixelFormat target, const Slots& at) {
    ChromaResampling p;
    p.kernel = KernelArg(a, at);
    const avs::PixelFormat &from = Describe(vi.format), &to = Describe(target);
    const bool in411 = from.chromaShiftX == 2, in422 = Sited(vi.format) && from.chromaShiftY == 0;
    auto leftish = [](ChromaSiting s) {
        return s == ChromaSiting::Left || s == ChromaSiting::TopLeft || s == ChromaSiting::BottomLeft;
    };
    if (Sited(vi.format) || in411) {
        const ChromaSiting marked =
            vi.chromaLocProp >= 0 && vi.chromaLocProp < kChromaSitingCount && !in411
                ? static_cast<ChromaSiting>(vi.chromaLocProp)
                : ChromaSiting::Left;
        p.in = SitingArg(a, at.inPlacement, marked);
        if (in422 && !leftish(p.in) && p.in != ChromaSiting::Center)
            throw ScriptError("Convert: not supported ChromaPlacement for 4:2:2 input.");
        if (in411 && !leftish(p.in))
            throw ScriptError(
                "Convert: not supported ChromaPlacement for 4:1:1 input. Only 'left'-style is allowed if given.");
    }
    if (Sited(target) && target != PixelFormat::YUY2) {
        p.out = SitingArg(a, at.outPlacement, ChromaSiting::Left);
        if (to.chromaShiftY == 0 && !leftish(p.out) && p.out != ChromaSiting::Center)
            throw ScriptError("Convert: not supported ChromaPlacement for 4:2:2 output.");
    }
    return p;
}

// The matrix and ranges of a conversion between RGB and YUV as AviSynth+ 3.7 settles them:
// the source's _ColorRange gives its range (else RGB is full, YUV limited) and, for YUV, its
// _Matrix the default matrix (else Rec.601). "Rec" names make YUV limited, RGB keeping the
// source's range on the way to YUV and becoming full on the way back; "PC." names keep the
// source's range on both sides; without a name YUV becomes limited and RGB full.
ColorMatrix ResolveMatrix(const std::string& name, const VideoInfo& vi, PixelFormat target, const std::string& who) {
    ColorMatrix m;
    if (!ColorMatrixFromName(name, m))
        throw ScriptError(who + ": Unknown colormatrix \"" + name + "\"");
    const bool rgbIn = IsRgb(vi.format), rgbOut = IsRgb(target);
    if (rgbIn == rgbOut)
        return m;
    const bool sourceLimited = vi.rangeProp >= 0 ? vi.rangeProp == 1 : !rgbIn;
    if (name.empty() && !rgbIn && vi.matrixProp >= 0 && vi.matrixProp != 2 && !ColorMatrixFromId(vi.matrixProp, m))
        throw ScriptError(who + ": invalid \"matrix\" parameter");
    const bool named = !name.empty(), keepRange = named && !m.limited;
    const bool yuvLimited = keepRange ? sourceLimited : rgbIn ? true : named || sourceLimited;
    const bool rgbLimited = keepRange ? sourceLimited : rgbIn && sourceLimited;
    m.limited = yuvLimited;
    m.rgbLimited = rgbLimited;
    return m;
}

Value Convert(const Args& a, CallContext& ctx, PixelFormat target, const Slots& at) {
    const ClipPtr& child = a.ClipAt(0);
    const VideoInfo& vi = child->info();
    const bool interlaced = at.interlaced != SIZE_MAX && a.BoolOr(at.interlaced, false);
    const ColorMatrix matrix = ResolveMatrix(a.StringOr(at.matrix, ""), vi, target, ctx.name);
    // AviSynth's own YUY2 <-> RGB kernels take no chroma options.
    if (ChromaOptionsNamed(a, at) && vi.format == PixelFormat::YUY2 && IsRgb(target))
        throw ScriptError("ConvertToRGB: ChromaPlacement and ChromaResample options are not supported.");
    if (ChromaOptionsNamed(a, at) && IsRgb(vi.format) && target == PixelFormat::YUY2)
        throw ScriptError(
            "ConvertToYUY2: ChromaPlacement, ChromaResample, param1, param2 or param3 options are not supported.");
    // Planar targets keep the source's depth (ConvertToYV16 on 10-bit video gives YUV422P10);
    // RGB sources are 8-bit.
    if (IsPlanar(target) || IsGrey(target)) {
        const avs::PixelFormat& t = Describe(target);
        if (!PlanarFormat(IsGrey(target), t.chromaShiftX, t.chromaShiftY, BitDepth(vi.format), target))
            throw ScriptError(ctx.name + ": " + std::to_string(BitDepth(vi.format)) +
                              "-bit video has no such format; use ConvertBits(8) first");
        if (target == PixelFormat::YV12 && vi.format == PixelFormat::I420)
            target = PixelFormat::I420;
    }
    const ChromaResampling chroma = ResolveChroma(a, vi, target, at);
    // Already there: the clip itself (an I420 clip counts as YV12 and stays I420), unless the
    // chroma is to move.
    if ((vi.format == target || (Is420Of8Bits(vi.format) && Is420Of8Bits(target))) &&
        (target == PixelFormat::YUY2 || !Sited(target) || chroma.in == chroma.out))
        return a[0];
    // AviSynth's own words for sizes the formats cannot hold.
    if (target == PixelFormat::YUY2) {
        if (Is420Of8Bits(vi.format) && interlaced && vi.height % 4 != 0)
            throw ScriptError(
                "ConvertToYUY2: Cannot convert from interlaced YV12 if height is not multiple of 4. "
                "Use Crop!");
        if (Is420Of8Bits(vi.format) && vi.height % 2 != 0)
            throw ScriptError("ConvertToYUY2: Cannot convert from YV12 if height is not even. Use Crop!");
        if (vi.width % 2 != 0)
            throw ScriptError("ConvertToYUY2: Image width must be even. Use Crop!");
    } else if (Is420Of8Bits(target)) {
        if (vi.width % 2 != 0)
            throw ScriptError("ConvertToYV12: Image width must be multiple of 2");
        if (interlaced && vi.height % 4 != 0)
            throw ScriptError("ConvertToYV12: Interlaced image height must be multiple of 4");
        if (vi.height % 2 != 0)
            throw ScriptError("ConvertToYV12: Image height must be multiple of 2");
    } else if (Is420Of8Bits(vi.format) && interlaced && vi.height % 4 != 0) {
        throw ScriptError(ctx.name + ": Cannot convert from interlaced YV12 if height is not multiple of 4");
    } else {
        const avs::PixelFormat& t = Describe(target);
        if (vi.width % (1 << t.chromaShiftX) != 0)
            throw ScriptError(ctx.name + ": Image width must be multiple of " + std::to_string(1 << t.chromaShiftX));
        if (vi.height % (1 << t.chromaShiftY) != 0)
            throw ScriptError(ctx.name + ": Image height must be multiple of " + std::to_string(1 << t.chromaShiftY));
    }
    CheckFrameSize(ctx.name.c_str(), target, vi.width, vi.height);
    // AviSynth+ keeps AviSynth's own YV12 <-> YUY2 kernels for ConvertToYUY2 and ConvertToYV12
    // called without chroma options; any of those takes the resampler.
    const bool direct = !ChromaOptionsNamed(a, at) && ((target == PixelFormat::YUY2 && Is420Of8Bits(vi.format)) ||
                                          (Is420Of8Bits(target) && vi.format == PixelFormat::YUY2 &&
                                           EqualsNoCase(ctx.name, "ConvertToYV12")));
    return Value::FromClip(std::make_shared<ConvertClip>(child, target, interlaced, matrix, chroma, direct));
}

Value ConvertToYUY2(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::YUY2, kYuy2Slots);
}
Value ConvertToYV12(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::YV12, kYv12Slots);
}
Value ConvertToYV16(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::YV16, kYv12Slots);
}
Value ConvertToYV24(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::YV24, kYv24Slots);
}
Value ConvertToYV411(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::YV411, kYv24Slots);
}
Value ConvertToY8(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::Y8, kY8Slots);
}

// ConvertBits(bits, truerange, dither, dither_bits, fulls, fulld): limited range (the
// default for YUV) scales by a bit shift, full range stretches; no dithering.
Value ConvertBits(const Args& a, CallContext& ctx) {
    const ClipPtr& child = a.ClipAt(0);
    const VideoInfo& vi = child->info();
    const int bits = static_cast<int>(a.IntOr(1, BitDepth(vi.format)));
    if (a.IntOr(3, -1) != -1)
        throw ScriptError(ctx.name + ": dithering is not supported by this frame server");
    const bool fullSource = a.BoolOr(5, vi.rangeProp >= 0 ? vi.rangeProp == 0 : IsRgb(vi.format)), fullTarget = a.BoolOr(6, fullSource);
    if (fullSource != fullTarget)
        throw ScriptError(ctx.name + ": changing the range is not supported by this frame server");
    if (bits != 8 && bits != 10 && bits != 12 && bits != 14 && bits != 16)
        throw ScriptError(ctx.name + ": invalid bit depth: " + std::to_string(bits));
    if (bits == BitDepth(vi.format))
        return a[0];
    PixelFormat target = vi.format;
    const avs::PixelFormat& d = Describe(vi.format);
    if (!(IsPlanar(vi.format) || IsGrey(vi.format)) ||
        !PlanarFormat(IsGrey(vi.format), d.chromaShiftX, d.chromaShiftY, bits, target))
        throw ScriptError(ctx.name + ": " + PixelFormatName(vi.format) + " cannot be converted to " +
                          std::to_string(bits) + " bits by this frame server");
    if (target == PixelFormat::YV12 && vi.format == PixelFormat::I420)
        target = PixelFormat::I420;
    return Value::FromClip(std::make_shared<BitDepthClip>(child, target, fullSource));
}

Value ConvertToRGB32(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::RGB32, kRgbSlots);
}
Value ConvertToRGB24(const Args& a, CallContext& ctx) {
    return Convert(a, ctx, PixelFormat::RGB24, kRgbSlots);
}
// ConvertToRGB keeps RGB24 as it is and makes RGB32 from YUV, as AviSynth does.
Value ConvertToRGB(const Args& a, CallContext& ctx) {
    if (IsRgb(a.ClipAt(0)->info().format))
        return a[0];
    return ConvertToRGB32(a, ctx);
}

} // namespace

void RegisterConversionFunctions(FunctionTable& t) {
    // The documented parameter orders; param1..3 tune other resamplers than the default.
    t.Add("ConvertToYUY2",
          "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[param1]f[param2]f[param3]f",
          ConvertToYUY2);
    t.Add(
        "ConvertToYV12",
        "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[ChromaOutPlacement]s[param1]f[param2]f"
        "[param3]f",
        ConvertToYV12);
    const char* planar =
        "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[ChromaOutPlacement]s[param1]f[param2]f"
        "[param3]f";
    // 4:4:4 and 4:1:1 have no output placement.
    const char* unsited = "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s[param1]f[param2]f[param3]f";
    t.Add("ConvertToYV16", planar, ConvertToYV16);
    t.Add("ConvertToYV24", unsited, ConvertToYV24);
    t.Add("ConvertToYV411", unsited, ConvertToYV411);
    // AviSynth+'s names for the same conversions at any depth.
    t.Add("ConvertToYUV420", planar, ConvertToYV12);
    t.Add("ConvertToYUV422", planar, ConvertToYV16);
    t.Add("ConvertToYUV444", unsited, ConvertToYV24);
    t.Add("ConvertToY8", "c[matrix]s", ConvertToY8);
    t.Add("ConvertToY", "c[matrix]s", ConvertToY8);
    t.Add("ConvertBits", "c[bits]i[truerange]b[dither]i[dither_bits]i[fulls]b[fulld]b", ConvertBits);
    const char* rgb =
        "c[matrix]s[interlaced]b[ChromaInPlacement]s[chromaresample]s[param1]f[param2]f[param3]f";
    t.Add("ConvertToRGB", rgb, ConvertToRGB);
    t.Add("ConvertToRGB24", rgb, ConvertToRGB24);
    t.Add("ConvertToRGB32", rgb, ConvertToRGB32);
}

} // namespace bv::builtin
