// A stand-in AviSynth library for the metric tests. The script path "pattern:W:H:SEED" opens a
// YUY2 clip of W x H whose bytes follow from SEED and the frame number (rows are padded past the
// row size); frame 99 of a clip with an even SEED cannot be fetched. Fetches and releases are
// recorded in order.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame_source/avs_c_abi.h"

namespace {
struct PatternClip {
    AVS_VideoInfo info{};
    int seed = 0;
};
struct PatternFrame {
    std::vector<unsigned char> bytes;
    int seed = 0, pitch = 0, rowSize = 0, height = 0;
};
std::string events;
int environment;
} // namespace

extern "C" {
#define EXPORT __attribute__((visibility("default")))

EXPORT const char* pattern_events() { return events.c_str(); }
EXPORT void pattern_clear_events() { events.clear(); }

EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    return reinterpret_cast<AVS_ScriptEnvironment*>(&environment);
}
EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char*, AVS_Value args, const char**) {
    AVS_Value v{};
    auto* clip = new PatternClip;
    int w = 0, h = 0;
    if (args.type != 's' || std::sscanf(args.d.string, "pattern:%d:%d:%d", &w, &h, &clip->seed) != 3) {
        delete clip;
        v.type = 'e';
        v.d.string = "pattern: bad path";
        return v;
    }
    clip->info.width = w;
    clip->info.height = h;
    clip->info.num_frames = 100;
    clip->info.pixel_type = static_cast<int32_t>(0x60000004u); // YUY2
    v.type = 'c';
    v.d.clip = clip;
    return v;
}
EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    return static_cast<AVS_Clip*>(v.d.clip);
}
EXPORT void avs_release_value(AVS_Value) {}
EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete reinterpret_cast<PatternClip*>(clip);
}
EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<PatternClip*>(clip)->info;
}
EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    const auto* clip = reinterpret_cast<PatternClip*>(c);
    events += "fetch " + std::to_string(clip->seed) + " " + std::to_string(n) + ";";
    if (n == 99 && clip->seed % 2 == 0)
        return nullptr;
    auto* f = new PatternFrame;
    f->seed = clip->seed;
    f->rowSize = 2 * clip->info.width;
    f->pitch = f->rowSize + 24;
    f->height = clip->info.height;
    f->bytes.resize(static_cast<size_t>(f->pitch) * (f->height - 1) + f->rowSize);
    uint32_t state = static_cast<uint32_t>(clip->seed * 7919 + n * 104729 + 1);
    for (auto& b : f->bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(state >> 24);
    }
    return reinterpret_cast<AVS_VideoFrame*>(f);
}
EXPORT const char* avs_clip_get_error(AVS_Clip*) { return "pattern: frame 99 is missing"; }
EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    auto* f = reinterpret_cast<PatternFrame*>(frame);
    events += "release " + std::to_string(f->seed) + ";";
    delete f;
}
EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const PatternFrame*>(f)->bytes.data();
}
EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const PatternFrame*>(f)->pitch;
}
EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const PatternFrame*>(f)->rowSize;
}
EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const PatternFrame*>(f)->height;
}
}
