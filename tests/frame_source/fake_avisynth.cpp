// A stand-in AviSynth library whose answers the tests choose through the script path:
//   "error:TEXT"                 -> an error value carrying TEXT
//   "int"                        -> an int value (neither clip nor error)
//   "clip:PIXELTYPE:W:H:N[:NUM:DEN]" -> a clip (PIXELTYPE in hex, NUM/DEN frames per second,
//                                   25/1 unless given); frame 13 cannot be fetched
// It counts what the program releases, so the tests can check the program's bookkeeping.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame_source/avs_c_abi.h"

namespace {
struct FakeClip {
    AVS_VideoInfo info{};
};
struct FakeFrame {
    std::vector<unsigned char> bytes;
    int pitch = 0, rowSize = 0, height = 0;
};
struct Counters {
    int clipsOpen = 0, framesOpen = 0, valuesReleased = 0, invokes = 0;
    char lastFunction[32] = {};
} counters;
int dummyEnvironment;
} // namespace

extern "C" {
#define FAKE_EXPORT __attribute__((visibility("default")))

FAKE_EXPORT Counters* fake_counters() { return &counters; }

FAKE_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    if (std::getenv("FAKE_AVS_NO_ENVIRONMENT") != nullptr)
        return nullptr;
    return reinterpret_cast<AVS_ScriptEnvironment*>(&dummyEnvironment);
}
FAKE_EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
FAKE_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char* name, AVS_Value args, const char**) {
    ++counters.invokes;
    std::strncpy(counters.lastFunction, name, sizeof counters.lastFunction - 1);
    AVS_Value v{};
    const std::string path = args.type == 's' ? args.d.string : "";
    if (path.rfind("error:", 0) == 0) {
        v.type = 'e';
        v.d.string = strdup(path.c_str() + 6);
    } else if (path == "int") {
        v.type = 'i';
        v.d.integer = 7;
    } else if (path.rfind("clip:", 0) == 0) {
        auto* clip = new FakeClip;
        unsigned pixelType = 0;
        int w = 0, h = 0, n = 0;
        unsigned fpsNum = 25, fpsDen = 1;
        std::sscanf(path.c_str() + 5, "%x:%d:%d:%d:%u:%u", &pixelType, &w, &h, &n, &fpsNum, &fpsDen);
        clip->info.fps_numerator = fpsNum;
        clip->info.fps_denominator = fpsDen;
        clip->info.width = w;
        clip->info.height = h;
        clip->info.num_frames = n;
        clip->info.pixel_type = static_cast<int32_t>(pixelType);
        v.type = 'c';
        v.d.clip = clip;
        ++counters.clipsOpen;
    } else {
        v.type = 'e';
        v.d.string = strdup("Function Not Found");
    }
    return v;
}
FAKE_EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    return static_cast<AVS_Clip*>(v.d.clip);
}
FAKE_EXPORT void avs_release_value(AVS_Value) { ++counters.valuesReleased; }
FAKE_EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete reinterpret_cast<FakeClip*>(clip);
    --counters.clipsOpen;
}
FAKE_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<FakeClip*>(clip)->info;
}
FAKE_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    if (n == 13)
        return nullptr;
    const auto* clip = reinterpret_cast<FakeClip*>(c);
    auto* frame = new FakeFrame;
    frame->rowSize = clip->info.width * 2;
    frame->pitch = frame->rowSize + 32;
    frame->height = clip->info.height;
    frame->bytes.assign(static_cast<size_t>(frame->pitch) * frame->height, static_cast<unsigned char>(n));
    ++counters.framesOpen;
    return reinterpret_cast<AVS_VideoFrame*>(frame);
}
FAKE_EXPORT const char* avs_clip_get_error(AVS_Clip*) { return "fake: frame 13 is broken"; }
FAKE_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    delete reinterpret_cast<FakeFrame*>(frame);
    --counters.framesOpen;
}
FAKE_EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->bytes.data();
}
FAKE_EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int) { return reinterpret_cast<const FakeFrame*>(f)->pitch; }
FAKE_EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->rowSize;
}
FAKE_EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int) { return reinterpret_cast<const FakeFrame*>(f)->height; }
}
