// ConvertToYUY2, ConvertToYV12, ConvertToRGB, ConvertToRGB24 and ConvertToRGB32.
#include "avs_builtin/clip.h"
#include "avs_builtin/color_convert.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"

#include <strings.h>

namespace bv::builtin {

namespace {

class ConvertClip : public Clip {
public:
    ConvertClip(ClipPtr child, PixelFormat format, bool interlaced)
        : child_(std::move(child)), interlaced_(interlaced) {
        info_ = child_->info();
        info_.format = format;
    }
    FramePtr GetFrame(int n) override { return ConvertFrame(child_->GetFrame(n), info_.format, interlaced_); }

private:
    ClipPtr child_;
    bool interlaced_;
};

void CheckMatrix(const std::string& who, const std::string& matrix) {
    if (!matrix.empty() && strcasecmp(matrix.c_str(), "Rec601") != 0)
        throw ScriptError(who + ": only the matrix \"Rec601\" is supported");
}

Value Convert(const Args& a, CallContext& ctx, PixelFormat target, bool interlaced) {
    const ClipPtr& child = a.ClipAt(0);
    const VideoInfo& vi = child->info();
    // Already there: the clip itself (an I420 clip counts as YV12 and stays I420).
    if (vi.format == target || (IsPlanar(vi.format) && IsPlanar(target)))
        return a[0];
    CheckFrameSize(ctx.name.c_str(), target, vi.width, vi.height);
    if (interlaced && (IsPlanar(vi.format) || IsPlanar(target)) && vi.height % 4 != 0)
        throw ScriptError(ctx.name + ": interlaced 4:2:0 needs a height that is a multiple of 4");
    return Value::FromClip(std::make_shared<ConvertClip>(child, target, interlaced));
}

// (clip, interlaced=false, matrix="Rec601", chroma placement, chromaresample)
Value ConvertToYUY2(const Args& a, CallContext& ctx) {
    CheckMatrix(ctx.name, a.StringOr(2, ""));
    return Convert(a, ctx, PixelFormat::YUY2, a.BoolOr(1, false));
}
Value ConvertToYV12(const Args& a, CallContext& ctx) {
    CheckMatrix(ctx.name, a.StringOr(2, ""));
    return Convert(a, ctx, PixelFormat::YV12, a.BoolOr(1, false));
}
// (clip, matrix="Rec601", interlaced=false, chroma placement, chromaresample)
Value ConvertToRGB32(const Args& a, CallContext& ctx) {
    CheckMatrix(ctx.name, a.StringOr(1, ""));
    return Convert(a, ctx, PixelFormat::RGB32, a.BoolOr(2, false));
}
Value ConvertToRGB24(const Args& a, CallContext& ctx) {
    CheckMatrix(ctx.name, a.StringOr(1, ""));
    return Convert(a, ctx, PixelFormat::RGB24, a.BoolOr(2, false));
}
// ConvertToRGB keeps RGB24 as it is and makes RGB32 from YUV, as AviSynth does.
Value ConvertToRGB(const Args& a, CallContext& ctx) {
    if (IsRgb(a.ClipAt(0)->info().format))
        return a[0];
    return ConvertToRGB32(a, ctx);
}

} // namespace

void RegisterConversionFunctions(FunctionTable& t) {
    t.Add("ConvertToYUY2", "c[interlaced]b[matrix]s[ChromaInPlacement]s[chromaresample]s", ConvertToYUY2);
    t.Add("ConvertToYV12", "c[interlaced]b[matrix]s[ChromaOutPlacement]s[chromaresample]s", ConvertToYV12);
    const char* rgb = "c[matrix]s[interlaced]b[ChromaInPlacement]s[chromaresample]s";
    t.Add("ConvertToRGB", rgb, ConvertToRGB);
    t.Add("ConvertToRGB24", rgb, ConvertToRGB24);
    t.Add("ConvertToRGB32", rgb, ConvertToRGB32);
}

} // namespace bv::builtin
