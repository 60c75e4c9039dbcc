// AviSynth's C entry points over the built-in server, with AviSynth's names, signatures and
// binary layout, so the program reaches it exactly as it reaches AviSynth (through dlopen).
// Values, clips and frames each hold their own reference: any release order is safe, and
// clips and frames outlive the environment that made them.
#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"
#include "avs_abi/avs_c_abi.h"

#include <algorithm>
#include <exception>
#include <string>
#include <unordered_set>

using bv::builtin::ClipPtr;
using bv::builtin::FramePtr;
using bv::builtin::Value;

struct AVS_ScriptEnvironment {
    bv::builtin::ScriptEngine environment;
    // Texts handed out in values stay valid for the environment's life, as AviSynth's do.
    std::unordered_set<std::string> texts;
    const char* error = nullptr;

    const char* Keep(const std::string& text) { return texts.insert(text).first->c_str(); }
};

struct AVS_Clip {
    ClipPtr clip;
    AVS_VideoInfo info{};
    std::string error;
    bool hasError = false;
};

struct AVS_VideoFrame {
    FramePtr frame;
};

namespace {

// The payload of a clip value.
struct ClipReference {
    ClipPtr clip;
};

// AviSynth's highest interface version on Linux; asking for more gets no environment.
constexpr int kHighestInterfaceVersion = 12;
// Added to a plane number: asks for the row size rounded up for aligned access.
constexpr int kPlaneAligned = 1 << 3;
// What avs_get_version reports for our clips: the classic 2.6 interface.
constexpr int kClipInterfaceVersion = 6;

AVS_Value ErrorValue(AVS_ScriptEnvironment* env, const std::string& text) {
    AVS_Value v{};
    v.type = bv::avs::kTypeError;
    env->error = env->Keep(text);
    v.d.string = env->error;
    return v;
}

Value FromC(const AVS_Value& v) {
    switch (v.type) {
    case bv::avs::kTypeClip: {
        const auto* ref = static_cast<const ClipReference*>(v.d.clip);
        return ref != nullptr ? Value::FromClip(ref->clip) : Value();
    }
    case bv::avs::kTypeBool:
        return Value::Bool(v.d.boolean != 0);
    case bv::avs::kTypeInt:
        return Value::Int(v.d.integer);
    case bv::avs::kTypeFloat:
        return Value::Float(v.d.floating_pt);
    case bv::avs::kTypeDouble:
        return Value::Float(v.d.double_pt);
    case bv::avs::kTypeLong:
        if (v.d.longlong >= INT32_MIN && v.d.longlong <= INT32_MAX)
            return Value::Int(static_cast<int>(v.d.longlong));
        return Value::Float(static_cast<double>(v.d.longlong));
    case bv::avs::kTypeString:
        return Value::String(v.d.string != nullptr ? v.d.string : "");
    default:
        return Value();
    }
}

AVS_Value ToC(const Value& value, AVS_ScriptEnvironment* env) {
    AVS_Value v{};
    switch (value.type()) {
    case Value::Type::Void:
        v.type = bv::avs::kTypeVoid;
        break;
    case Value::Type::Bool:
        v.type = bv::avs::kTypeBool;
        v.d.boolean = value.asBool() ? 1 : 0;
        break;
    case Value::Type::Int:
        v.type = bv::avs::kTypeInt;
        v.d.integer = value.asInt();
        break;
    case Value::Type::Float:
        v.type = bv::avs::kTypeFloat;
        v.d.floating_pt = static_cast<float>(value.asFloat());
        break;
    case Value::Type::String:
        v.type = bv::avs::kTypeString;
        v.d.string = env->Keep(value.asString());
        break;
    case Value::Type::Clip:
        v.type = bv::avs::kTypeClip;
        v.d.clip = new ClipReference{value.asClip()};
        break;
    }
    return v;
}

// Plane 0 and the Y plane are the default plane; U and V exist only in planar frames.
int PlaneIndex(const bv::builtin::VideoFrame& frame, int plane) {
    switch (plane & ~kPlaneAligned) {
    case 0:
    case bv::avs::kPlaneY:
        return 0;
    case bv::avs::kPlaneU:
        return frame.planeCount() > 1 ? 1 : -1;
    case bv::avs::kPlaneV:
        return frame.planeCount() > 1 ? 2 : -1;
    default:
        return -1;
    }
}

} // namespace

extern "C" {
#define BV_EXPORT __attribute__((visibility("default")))

BV_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int version) {
    if (version > kHighestInterfaceVersion)
        return nullptr;
    try {
        return new AVS_ScriptEnvironment();
    } catch (...) {
        return nullptr;
    }
}

BV_EXPORT void avs_delete_script_environment(AVS_ScriptEnvironment* env) {
    delete env;
}

BV_EXPORT const char* avs_get_error(AVS_ScriptEnvironment* env) {
    return env != nullptr ? env->error : nullptr;
}

BV_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args,
                               const char** arg_names) {
    env->error = nullptr;
    try {
        std::vector<Value> values;
        std::vector<std::string> names;
        auto add = [&](const AVS_Value& v, size_t i) {
            values.push_back(FromC(v));
            names.emplace_back(arg_names != nullptr && arg_names[i] != nullptr ? arg_names[i] : "");
        };
        if (args.type == bv::avs::kTypeArray) {
            if (args.array_size > 0 && args.d.array == nullptr)
                throw bv::builtin::FunctionNotFound();
            for (int i = 0; i < args.array_size; ++i)
                add(args.d.array[i], static_cast<size_t>(i));
        } else {
            add(args, 0);
        }
        if (name == nullptr)
            throw bv::builtin::FunctionNotFound();
        return ToC(env->environment.Invoke(name, values, names), env);
    } catch (const std::exception& e) {
        return ErrorValue(env, e.what());
    } catch (...) {
        return ErrorValue(env, "Unknown error");
    }
}

BV_EXPORT int avs_function_exists(AVS_ScriptEnvironment* env, const char* name) {
    return name != nullptr && env->environment.FunctionExists(name) ? 1 : 0;
}

BV_EXPORT void avs_release_value(AVS_Value v) {
    if (v.type == bv::avs::kTypeClip)
        delete static_cast<ClipReference*>(v.d.clip);
}

BV_EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    // AviSynth does not check the type; a value that is no clip gives no clip here.
    if (v.type != bv::avs::kTypeClip || v.d.clip == nullptr)
        return nullptr;
    try {
        auto* clip = new AVS_Clip;
        clip->clip = static_cast<ClipReference*>(v.d.clip)->clip;
        const bv::builtin::VideoInfo& vi = clip->clip->info();
        clip->info.width = vi.width;
        clip->info.height = vi.height;
        clip->info.fps_numerator = vi.fpsNumerator;
        clip->info.fps_denominator = vi.fpsDenominator;
        clip->info.num_frames = vi.frameCount;
        clip->info.pixel_type = static_cast<int32_t>(bv::builtin::PixelTypeFlags(vi.format));
        return clip;
    } catch (...) {
        return nullptr;
    }
}

BV_EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete clip;
}

BV_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &clip->info;
}

BV_EXPORT int avs_get_version(AVS_Clip*) {
    return kClipInterfaceVersion;
}

BV_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n) {
    clip->hasError = false;
    const int count = clip->info.num_frames;
    try {
        if (count <= 0)
            throw bv::builtin::ScriptError("The clip has no frames");
        // Numbers outside the clip give its first or last frame, as in AviSynth.
        return new AVS_VideoFrame{clip->clip->GetFrame(std::clamp(n, 0, count - 1))};
    } catch (const std::exception& e) {
        clip->error = e.what();
    } catch (...) {
        clip->error = "Unknown error";
    }
    clip->hasError = true;
    return nullptr;
}

BV_EXPORT const char* avs_clip_get_error(AVS_Clip* clip) {
    return clip->hasError ? clip->error.c_str() : nullptr;
}

BV_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    delete frame;
}

BV_EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int plane) {
    const int i = PlaneIndex(*f->frame, plane);
    return i < 0 ? nullptr : f->frame->data(i);
}

BV_EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int plane) {
    const int i = PlaneIndex(*f->frame, plane);
    return i < 0 ? 0 : f->frame->pitch(i);
}

BV_EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int plane) {
    const int i = PlaneIndex(*f->frame, plane);
    if (i < 0)
        return 0;
    const int rowSize = f->frame->rowSize(i);
    if ((plane & kPlaneAligned) == 0)
        return rowSize;
    return std::min((rowSize + 15) & ~15, f->frame->pitch(i)); // rounded up where the pitch allows
}

BV_EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int plane) {
    const int i = PlaneIndex(*f->frame, plane);
    return i < 0 ? 0 : f->frame->planeHeight(i);
}

} // extern "C"
