// A stand-in AviSynth library that serves frames from a raw file, so preview tests can run on
// real decoded video without AviSynth. The script path chooses the clip:
//   "raw:PIXELTYPE:W:H:FRAMES:ROWSIZE:FILE"  (PIXELTYPE in hex; frame n at n * ROWSIZE * H)
// Rows are handed out with a pitch larger than the row size, as AviSynth does. A frame number
// at or beyond FRAMES cannot be fetched.
#include "frame_source/avs_c_abi.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct RawClip {
    AVS_VideoInfo info{};
    int rowSize = 0;
    std::string file;
};
struct RawFrame {
    std::vector<unsigned char> bytes;
    int pitch = 0, rowSize = 0, height = 0;
};
int dummyEnvironment;
} // namespace

extern "C" {
#define RAW_EXPORT __attribute__((visibility("default")))

RAW_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    return reinterpret_cast<AVS_ScriptEnvironment*>(&dummyEnvironment);
}
RAW_EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
RAW_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char*, AVS_Value args, const char**) {
    AVS_Value v{};
    const std::string path = args.type == 's' ? args.d.string : "";
    unsigned pixelType = 0;
    int w = 0, h = 0, n = 0, rowSize = 0, consumed = 0;
    if (std::sscanf(path.c_str(), "raw:%x:%d:%d:%d:%d:%n", &pixelType, &w, &h, &n, &rowSize, &consumed) ==
            5 &&
        consumed > 0) {
        auto* clip = new RawClip;
        clip->info.width = w;
        clip->info.height = h;
        clip->info.num_frames = n;
        clip->info.pixel_type = static_cast<int32_t>(pixelType);
        clip->rowSize = rowSize;
        clip->file = path.substr(static_cast<size_t>(consumed));
        v.type = 'c';
        v.d.clip = clip;
    } else {
        v.type = 'e';
        v.d.string = "raw: bad clip description";
    }
    return v;
}
RAW_EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    return static_cast<AVS_Clip*>(v.d.clip);
}
RAW_EXPORT void avs_release_value(AVS_Value) {}
RAW_EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete reinterpret_cast<RawClip*>(clip);
}
RAW_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<RawClip*>(clip)->info;
}
RAW_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    const auto* clip = reinterpret_cast<RawClip*>(c);
    if (n < 0 || n >= clip->info.num_frames)
        return nullptr;
    auto* frame = new RawFrame;
    frame->rowSize = clip->rowSize;
    frame->pitch = (clip->rowSize + 63) / 64 * 64 + 64;
    frame->height = clip->info.height;
    frame->bytes.assign(static_cast<size_t>(frame->pitch) * frame->height, 0xEE);
    if (std::FILE* file = std::fopen(clip->file.c_str(), "rb")) {
        std::fseek(file, static_cast<long>(n) * clip->rowSize * clip->info.height, SEEK_SET);
        for (int row = 0; row < frame->height; ++row)
            if (std::fread(frame->bytes.data() + static_cast<size_t>(row) * frame->pitch, 1, frame->rowSize,
                           file) != static_cast<size_t>(frame->rowSize))
                break;
        std::fclose(file);
    }
    return reinterpret_cast<AVS_VideoFrame*>(frame);
}
RAW_EXPORT const char* avs_clip_get_error(AVS_Clip*) {
    return "raw: no such frame";
}
RAW_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    delete reinterpret_cast<RawFrame*>(frame);
}
RAW_EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const RawFrame*>(f)->bytes.data();
}
RAW_EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const RawFrame*>(f)->pitch;
}
RAW_EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const RawFrame*>(f)->rowSize;
}
RAW_EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const RawFrame*>(f)->height;
}
}
