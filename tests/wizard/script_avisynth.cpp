// A stand-in AviSynth library for the window's tests: it answers by the script's first line.
//   clip PIXELTYPE W H N [anything]   a clip (PIXELTYPE in hex)
//   error TEXT                        AviSynth reports TEXT
// An empty script, a missing file or any other first line is an error like AviSynth's.
#include "frame_source/avs_c_abi.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Clip {
    AVS_VideoInfo info{};
};
struct Frame {
    std::vector<unsigned char> bytes;
    int pitch = 0;
    int rowSize = 0;
    int height = 0;
};
int environment;

AVS_Value Error(const std::string& text) {
    AVS_Value v{};
    v.type = 'e';
    v.d.string = strdup(text.c_str());
    return v;
}

} // namespace

extern "C" {
#define EXPORT __attribute__((visibility("default")))

EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    return reinterpret_cast<AVS_ScriptEnvironment*>(&environment);
}
EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char*, AVS_Value args, const char**) {
    const std::string path = args.type == 's' ? args.d.string : "";
    std::ifstream file(path);
    if (!file)
        return Error("Import: couldn't open \"" + path + "\"");
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        return Error("Script error: the script is empty\n(" + path + ", line 1)");
    if (line.rfind("error ", 0) == 0)
        return Error(line.substr(6));
    unsigned pixelType = 0;
    int w = 0, h = 0, n = 0;
    if (std::sscanf(line.c_str(), "clip %x %d %d %d", &pixelType, &w, &h, &n) != 4)
        return Error("Script error: there is no function named \"" + line.substr(0, line.find(' ')) +
                     "\"\n(" + path + ", line 1)");
    auto* clip = new Clip;
    clip->info.width = w;
    clip->info.height = h;
    clip->info.num_frames = n;
    clip->info.pixel_type = static_cast<int32_t>(pixelType);
    clip->info.fps_numerator = 25;
    clip->info.fps_denominator = 1;
    AVS_Value v{};
    v.type = 'c';
    v.d.clip = clip;
    return v;
}
EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    return static_cast<AVS_Clip*>(v.d.clip);
}
EXPORT void avs_release_value(AVS_Value) {}
EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete reinterpret_cast<Clip*>(clip);
}
EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<Clip*>(clip)->info;
}
EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    const auto* clip = reinterpret_cast<Clip*>(c);
    auto* frame = new Frame;
    frame->rowSize = clip->info.width * 2;
    frame->pitch = frame->rowSize;
    frame->height = clip->info.height;
    frame->bytes.assign(static_cast<size_t>(frame->pitch) * frame->height, static_cast<unsigned char>(n));
    return reinterpret_cast<AVS_VideoFrame*>(frame);
}
EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    delete reinterpret_cast<Frame*>(frame);
}
EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const Frame*>(f)->bytes.data();
}
EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const Frame*>(f)->pitch;
}
EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const Frame*>(f)->rowSize;
}
EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const Frame*>(f)->height;
}
}
