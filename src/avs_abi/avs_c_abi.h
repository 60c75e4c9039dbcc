// Our own declarations of the parts of AviSynth's C interface that Brevanta uses.
// They mirror the binary layout of the 64-bit Linux library (AviSynth+ and our built-in
// frame server); nothing here comes from an AviSynth header, so the program builds and
// runs without AviSynth installed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "avs_abi/pixel_format.h"

extern "C" {

struct AVS_ScriptEnvironment; // opaque
struct AVS_Clip;              // opaque
struct AVS_VideoFrame;        // opaque

// A value of the scripting language. 16 bytes on x86_64: type code, array size, payload.
struct AVS_Value {
    short type;       // 'v' void, 'c' clip, 'b' bool, 'i' int, 'f' float, 's' string,
                      // 'a' array, 'e' error, 'l' 64-bit int, 'd' double
    short array_size; // number of elements when type is 'a'
    union {
        void* clip;
        char boolean;
        int integer;
        float floating_pt;
        const char* string;
        const AVS_Value* array;
        int64_t longlong;
        double double_pt;
    } d;
};

struct AVS_VideoInfo {
    int32_t width;
    int32_t height;
    uint32_t fps_numerator;
    uint32_t fps_denominator;
    int32_t num_frames;
    int32_t pixel_type;
    int32_t audio_samples_per_second;
    int32_t sample_type;
    int64_t num_audio_samples;
    int32_t nchannels;
    int32_t image_type;
};
}

static_assert(sizeof(AVS_Value) == 16, "AVS_Value must be 16 bytes on 64-bit platforms");
static_assert(offsetof(AVS_Value, d) == 8, "AVS_Value payload lies at offset 8");
static_assert(sizeof(AVS_VideoInfo) == 48, "AVS_VideoInfo must be 48 bytes");
static_assert(offsetof(AVS_VideoInfo, num_audio_samples) == 32, "AVS_VideoInfo layout");

namespace bv::avs {

inline constexpr short kTypeVoid = 'v';
inline constexpr short kTypeClip = 'c';
inline constexpr short kTypeBool = 'b';
inline constexpr short kTypeInt = 'i';
inline constexpr short kTypeFloat = 'f';
inline constexpr short kTypeString = 's';
inline constexpr short kTypeArray = 'a';
inline constexpr short kTypeError = 'e';
inline constexpr short kTypeLong = 'l';
inline constexpr short kTypeDouble = 'd';

// Pixel types and their facts: avs_abi/pixel_format.h.

// Plane 0 is the default plane: the whole interleaved image of packed formats.
inline constexpr int kPlaneDefault = 0;
inline constexpr int kPlaneY = 1 << 0;
inline constexpr int kPlaneU = 1 << 1;
inline constexpr int kPlaneV = 1 << 2;

// The helpers below are inline in AviSynth's own header and not exported by the library.
inline AVS_Value NewValueString(const char* text) {
    AVS_Value v{};
    v.type = kTypeString;
    v.d.string = text;
    return v;
}
inline AVS_Value NewValueArray(const AVS_Value* items, int count) {
    AVS_Value v{};
    v.type = kTypeArray;
    v.array_size = static_cast<short>(count);
    v.d.array = items;
    return v;
}
inline bool IsError(const AVS_Value& v) { return v.type == kTypeError; }
inline bool IsClip(const AVS_Value& v) { return v.type == kTypeClip; }
inline const char* AsError(const AVS_Value& v) { return IsError(v) ? v.d.string : nullptr; }

// Signatures of the exported functions, in the C calling convention.
using CreateScriptEnvironmentFn = AVS_ScriptEnvironment* (*)(int version);
using DeleteScriptEnvironmentFn = void (*)(AVS_ScriptEnvironment*);
using InvokeFn = AVS_Value (*)(AVS_ScriptEnvironment*, const char* name, AVS_Value args,
                               const char** arg_names);
using FunctionExistsFn = int (*)(AVS_ScriptEnvironment*, const char* name);
using TakeClipFn = AVS_Clip* (*)(AVS_Value, AVS_ScriptEnvironment*);
using ReleaseValueFn = void (*)(AVS_Value);
using ReleaseClipFn = void (*)(AVS_Clip*);
using GetVideoInfoFn = const AVS_VideoInfo* (*)(AVS_Clip*);
using GetFrameFn = AVS_VideoFrame* (*)(AVS_Clip*, int n);
using ClipGetErrorFn = const char* (*)(AVS_Clip*);
using ReleaseVideoFrameFn = void (*)(AVS_VideoFrame*);
using GetReadPtrPFn = const unsigned char* (*)(const AVS_VideoFrame*, int plane);
using GetPitchPFn = int (*)(const AVS_VideoFrame*, int plane);
using GetRowSizePFn = int (*)(const AVS_VideoFrame*, int plane);
using GetHeightPFn = int (*)(const AVS_VideoFrame*, int plane);
using GetErrorFn = const char* (*)(AVS_ScriptEnvironment*);
using GetVersionFn = int (*)(AVS_Clip*);

} // namespace bv::avs
