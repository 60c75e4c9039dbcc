// Trim, Crop and AssumeFPS.
#include "avs_builtin/clip.h"
#include "avs_builtin/frame_rate.h"
#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <strings.h>

namespace bv::builtin {

namespace {

class TrimClip : public Clip {
public:
    TrimClip(ClipPtr child, int first, int count) : child_(std::move(child)), first_(first) {
        info_ = child_->info();
        info_.frameCount = count;
    }
    FramePtr GetFrame(int n) override { return child_->GetFrame(first_ + n); }

private:
    ClipPtr child_;
    int first_;
};

// The frames first..last of `child`, with `first` already within the clip; an empty clip
// when last is before first.
ClipPtr TrimRange(const ClipPtr& child, int64_t first, int64_t last) {
    const int64_t frames = child->info().frameCount;
    last = std::min(last, frames - 1);
    return std::make_shared<TrimClip>(child, static_cast<int>(first),
                                      static_cast<int>(std::max<int64_t>(last - first + 1, 0)));
}

// As AviSynth+ 3.7 trims: the first frame is first clamped into the clip.
int64_t FirstFrame(const Args& a) {
    return std::clamp<int64_t>(a[1].asInt(), 0, std::max(a.ClipAt(0)->info().frameCount - 1, 0));
}

// Trim(clip, first_frame, last_frame): last_frame 0 means to the end, a negative one a
// frame count, and one before first_frame gives first_frame alone.
Value TrimFirstLast(const Args& a, CallContext&) {
    const int64_t first = FirstFrame(a), last = a[2].asInt();
    return Value::FromClip(TrimRange(a.ClipAt(0), first,
                                     last == 0  ? INT32_MAX
                                     : last < 0 ? first - last - 1
                                                : std::max(last, first)));
}

// Trim(clip, first_frame) alone, which AviSynth+ declares only to refuse in its own words.
Value TrimFirstOnly(const Args&, CallContext& ctx) {
    throw ScriptError("Script error: Invalid arguments to function \"" + ctx.name + "\"");
}

// Trim(clip, first_frame, length=): no special values.
Value TrimLength(const Args& a, CallContext&) {
    if (a[2].asInt() < 0)
        throw ScriptError("Trim: Length must be >= 0");
    const int64_t first = FirstFrame(a);
    return Value::FromClip(TrimRange(a.ClipAt(0), first, first + a[2].asInt() - 1));
}

// Trim(clip, first_frame, end=): no special values.
Value TrimEnd(const Args& a, CallContext&) {
    const int64_t first = FirstFrame(a);
    if (a[2].asInt() < first)
        throw ScriptError("Trim: End must be >= Start");
    return Value::FromClip(TrimRange(a.ClipAt(0), first, a[2].asInt()));
}

class CropClip : public Clip {
public:
    CropClip(ClipPtr child, int left, int top, int width, int height, bool align)
        : child_(std::move(child)), left_(left), top_(top), align_(align) {
        info_ = child_->info();
        info_.width = width;
        info_.height = height;
    }
    FramePtr GetFrame(int n) override {
        FramePtr view = VideoFrame::Crop(child_->GetFrame(n), left_, top_, info_.width, info_.height);
        if (!align_)
            return view;
        auto copy = VideoFrame::Create(info_.format, info_.width, info_.height);
        for (int p = 0; p < view->planeCount(); ++p)
            for (int y = 0; y < view->planeHeight(p); ++y)
                std::memcpy(copy->writableData(p) + static_cast<ptrdiff_t>(y) * copy->pitch(p),
                            view->data(p) + static_cast<ptrdiff_t>(y) * view->pitch(p), view->rowSize(p));
        return copy;
    }

private:
    ClipPtr child_;
    int left_, top_;
    bool align_;
};

// Crop(clip, left, top, width, height, align=false): a width or height of 0 or less counts
// from the right or bottom edge.
Value Crop(const Args& a, CallContext&) {
    const ClipPtr& child = a.ClipAt(0);
    const VideoInfo& vi = child->info();
    const int64_t left = a[1].asInt(), top = a[2].asInt();
    int64_t width = a[3].asInt(), height = a[4].asInt();
    // AviSynth+'s checks, in its order and words.
    if (left < 0 || top < 0)
        throw ScriptError("Crop: Top and Left must be more than 0");
    if (width <= 0)
        width = vi.width - left + width;
    if (height <= 0)
        height = vi.height - top + height;
    if (width <= 0)
        throw ScriptError("Crop: Destination width is 0 or less.");
    if (height <= 0)
        throw ScriptError("Crop: Destination height is 0 or less.");
    if (left + width > vi.width || top + height > vi.height)
        throw ScriptError("Crop: you cannot use crop to enlarge or 'shift' a clip");
    // Subsampled chroma: the crop must keep whole chroma samples.
    const int xMod = 1 << Describe(vi.format).chromaShiftX;
    const int yMod = 1 << Describe(vi.format).chromaShiftY;
    const auto refuse = [](int mod, const char* side) {
        throw ScriptError("Crop: YUV image can only be cropped by Mod " + std::to_string(mod) + " (" + side +
                          ").");
    };
    if (left % xMod != 0)
        refuse(xMod, "left side");
    if (width % xMod != 0)
        refuse(xMod, "right side");
    if (top % yMod != 0)
        refuse(yMod, "top");
    if (height % yMod != 0)
        refuse(yMod, "bottom");
    return Value::FromClip(std::make_shared<CropClip>(child, static_cast<int>(left), static_cast<int>(top),
                                                      static_cast<int>(width), static_cast<int>(height),
                                                      a.BoolOr(5, false)));
}

class FpsClip : public Clip {
public:
    FpsClip(ClipPtr child, uint32_t num, uint32_t den) : child_(std::move(child)) {
        info_ = child_->info();
        info_.fpsNumerator = num;
        info_.fpsDenominator = den;
    }
    FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

private:
    ClipPtr child_;
};

// The clip carries the rate in lowest terms, as AviSynth+'s VideoInfo::SetFPS stores it.
Value WithFps(const Args& a, CallContext& ctx, int64_t num, int64_t den) {
    if (den == 0)
        throw ScriptError(ctx.name + ": Denominator cannot be 0 (zero).");
    // AviSynth+ would wrap these into huge unsigned rates (or 0 fps); refused here.
    if (den < 0 || num <= 0)
        throw ScriptError(ctx.name + ": the frame rate must be positive");
    const int64_t g = std::gcd(num, den);
    return Value::FromClip(
        std::make_shared<FpsClip>(a.ClipAt(0), static_cast<uint32_t>(num / g), static_cast<uint32_t>(den / g)));
}

// AssumeFPS(clip, numerator, denominator=1, sync_audio)
Value AssumeFpsInts(const Args& a, CallContext& ctx) {
    return WithFps(a, ctx, a[1].asInt(), a.IntOr(2, 1));
}

// AssumeFPS(clip, fps as a float, sync_audio)
Value AssumeFpsFloat(const Args& a, CallContext& ctx) {
    uint32_t num = 0, den = 0;
    FloatToFps(ctx.name, a[1].asFloat(), num, den);
    return WithFps(a, ctx, num, den);
}

// AssumeFPS(clip, clip whose rate to take, sync_audio)
Value AssumeFpsClip(const Args& a, CallContext& ctx) {
    const VideoInfo& other = a.ClipAt(1)->info();
    return WithFps(a, ctx, other.fpsNumerator, other.fpsDenominator);
}

// AssumeFPS(clip, "ntsc_film" and the other preset names, sync_audio)
Value AssumeFpsPreset(const Args& a, CallContext& ctx) {
    static const struct {
        const char* name;
        int num, den;
    } kPresets[] = {{"ntsc_film", 24000, 1001},
                    {"ntsc_video", 30000, 1001},
                    {"ntsc_double", 60000, 1001},
                    {"ntsc_quad", 120000, 1001},
                    {"ntsc_round_film", 2997, 125},
                    {"ntsc_round_video", 2997, 100},
                    {"ntsc_round_double", 2997, 50},
                    {"ntsc_round_quad", 2997, 25},
                    {"film", 24, 1},
                    {"pal_film", 25, 1},
                    {"pal_video", 25, 1},
                    {"pal_double", 50, 1},
                    {"pal_quad", 100, 1},
                    {"drop24", 24000, 1001},
                    {"drop30", 30000, 1001},
                    {"drop60", 60000, 1001},
                    {"drop120", 120000, 1001}};
    for (const auto& p : kPresets)
        if (strcasecmp(p.name, a[1].asString().c_str()) == 0)
            return WithFps(a, ctx, p.num, p.den);
    throw ScriptError(ctx.name + ": invalid preset value used.\n");
}

} // namespace

void RegisterEditFunctions(FunctionTable& t) {
    // AviSynth+'s four forms, tried in this order.
    t.Add("Trim", "cii[pad]b[cache]b", TrimFirstLast);
    t.Add("Trim", "ci[pad]b[cache]b", TrimFirstOnly);
    t.Add("Trim", "ci[length]i[pad]b[cache]b", TrimLength);
    t.Add("Trim", "ci[end]i[pad]b[cache]b", TrimEnd);
    t.Add("Crop", "ciiii[align]b", Crop);
    t.Add("AssumeFPS", "ci[]i[sync_audio]b", AssumeFpsInts);
    t.Add("AssumeFPS", "cf[sync_audio]b", AssumeFpsFloat);
    t.Add("AssumeFPS", "cc[sync_audio]b", AssumeFpsClip);
    t.Add("AssumeFPS", "cs[sync_audio]b", AssumeFpsPreset);
}

} // namespace bv::builtin
