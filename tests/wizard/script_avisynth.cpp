// A stand-in AviSynth library for the window's tests: it answers by the script's first line.
//   clip PIXELTYPE W H N [anything]   a clip (PIXELTYPE in hex) whose frame n is filled with
//                                     the byte n; "fps NUM DEN" among the rest sets its frame
//                                     rate (25/1 otherwise), "bias K" fills frame n with n + K
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
    int bias = 0;
};
struct Frame {
    std::vector<unsigned char> bytes;
    int pitch = 0;
    int rowSize = 0;
    int height = 0;
};
int environment;
int openClips = 0;

// The number after `key` in the line, or `otherwise`.
int Option(const std::string& line, const char* key, int otherwise, int* second = nullptr) {
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return otherwise;
    int value = otherwise;
    if (second != nullptr)
        std::sscanf(line.c_str() + at + std::strlen(key), "%d %d", &value, second);
    else
        std::sscanf(line.c_str() + at + std::strlen(key), "%d", &value);
    return value;
}

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
    int fpsDen = 1;
    clip->info.fps_numerator = static_cast<unsigned>(Option(line, " fps ", 25, &fpsDen));
    clip->info.fps_denominator = static_cast<unsigned>(fpsDen);
    clip->bias = Option(line, " bias ", 0);
    ++openClips;
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
    --openClips;
    delete reinterpret_cast<Clip*>(clip);
}
EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<Clip*>(clip)->info;
}
EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    const auto* clip = reinterpret_cast<Clip*>(c);
    auto* frame = new Frame;
    // The default plane: the whole image of packed formats, the luma of planar ones.
    const unsigned type = static_cast<unsigned>(clip->info.pixel_type);
    const int bytesPerPixel = type == 0x50000002u    ? 4
                              : type == 0x50000001u  ? 3
                              : (type & 0x80000000u) ? 1
                                                     : 2;
    frame->rowSize = clip->info.width * bytesPerPixel;
    frame->pitch = frame->rowSize;
    frame->height = clip->info.height;
    frame->bytes.assign(static_cast<size_t>(frame->pitch) * frame->height,
                        static_cast<unsigned char>(n + clip->bias));
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
// For the tests: clips opened and not yet released.
EXPORT int script_avs_open_clips() {
    return openClips;
}
}
