#include "support/stand_in_avs.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>

namespace bv::standin {

namespace {

std::mutex mutex; // the program may fetch and release on several threads
Counters counters;
std::set<std::string> errorTexts;
int environment;

void Count(int Counters::*counter, int step) {
    std::lock_guard lock(mutex);
    counters.*counter += step;
}

Clip* ClipOf(AVS_Clip* clip) {
    return reinterpret_cast<Clip*>(clip);
}
Frame* FrameOf(const AVS_VideoFrame* frame) {
    return reinterpret_cast<Frame*>(const_cast<AVS_VideoFrame*>(frame));
}

// AviSynth+ lets one thread at a time into the library: count the frame calls that overlap.
std::atomic<int> inside{0};
struct FrameCall {
    FrameCall() {
        if (inside.fetch_add(1) != 0)
            Count(&Counters::overlappingCalls, 1);
    }
    ~FrameCall() { inside.fetch_sub(1); }
};

void Release(Clip* clip) {
    if (clip->references.fetch_sub(1) == 1) {
        delete clip;
        Count(&Counters::clipsOpen, -1);
    }
}

} // namespace

Frame::Frame(int rowSize, int pitch, int height, unsigned char fill, End end)
    : rowSize(rowSize), pitch(pitch), height(height),
      bytes(height <= 0 ? 0
                        : static_cast<std::size_t>(pitch) * height - (end == End::Bare ? pitch - rowSize : 0),
            fill) {}

AVS_VideoInfo VideoInfo(uint32_t pixelType, int width, int height, int frames, unsigned fpsNumerator,
                        unsigned fpsDenominator) {
    AVS_VideoInfo info{};
    info.width = width;
    info.height = height;
    info.fps_numerator = fpsNumerator;
    info.fps_denominator = fpsDenominator;
    info.num_frames = frames;
    info.pixel_type = static_cast<int32_t>(pixelType);
    return info;
}

AVS_Value ClipValue(std::unique_ptr<Clip> clip) {
    Count(&Counters::clipsOpen, 1);
    AVS_Value v{};
    v.type = avs::kTypeClip;
    v.d.clip = clip.release();
    return v;
}

AVS_Value ErrorValue(const std::string& text) {
    std::lock_guard lock(mutex);
    AVS_Value v{};
    v.type = avs::kTypeError;
    v.d.string = errorTexts.insert(text).first->c_str();
    return v;
}

AVS_Value IntValue(int value) {
    AVS_Value v{};
    v.type = avs::kTypeInt;
    v.d.integer = value;
    return v;
}

std::optional<std::string> FirstLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line;
    std::getline(in, line);
    return line.substr(0, line.find('\r'));
}

} // namespace bv::standin

using namespace bv::standin;

STAND_IN_EXPORT Counters* stand_in_counters() {
    return &counters;
}

STAND_IN_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    // Lets a test see how the program takes a library that cannot make an environment.
    if (std::getenv("STAND_IN_AVS_NO_ENVIRONMENT") != nullptr)
        return nullptr;
    return reinterpret_cast<AVS_ScriptEnvironment*>(&environment);
}
STAND_IN_EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
STAND_IN_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char* name, AVS_Value args, const char**) {
    {
        std::lock_guard lock(mutex);
        ++counters.invokes;
        std::strncpy(counters.lastFunction, name, sizeof counters.lastFunction - 1);
    }
    if (std::strcmp(name, "Import") != 0 || args.type != bv::avs::kTypeString)
        return ErrorValue("Function Not Found");
    return Import(args.d.string);
}
STAND_IN_EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    auto* clip = static_cast<Clip*>(v.d.clip);
    ++clip->references;
    return reinterpret_cast<AVS_Clip*>(clip);
}
STAND_IN_EXPORT void avs_release_value(AVS_Value v) {
    Count(&Counters::valuesReleased, 1);
    if (v.type == bv::avs::kTypeClip)
        Release(static_cast<Clip*>(v.d.clip));
}
STAND_IN_EXPORT void avs_release_clip(AVS_Clip* clip) {
    Release(ClipOf(clip));
}
STAND_IN_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &ClipOf(clip)->info;
}
STAND_IN_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n) {
    FrameCall call;
    std::unique_ptr<Frame> frame = ClipOf(clip)->Fetch(n);
    if (frame == nullptr)
        return nullptr;
    Count(&Counters::framesOpen, 1);
    return reinterpret_cast<AVS_VideoFrame*>(frame.release());
}
STAND_IN_EXPORT const char* avs_clip_get_error(AVS_Clip* clip) {
    return ClipOf(clip)->error.c_str();
}
STAND_IN_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    FrameCall call;
    delete FrameOf(frame);
    Count(&Counters::framesOpen, -1);
}
STAND_IN_EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* frame, int) {
    return FrameOf(frame)->bytes.data();
}
STAND_IN_EXPORT int avs_get_pitch_p(const AVS_VideoFrame* frame, int) {
    return FrameOf(frame)->pitch;
}
STAND_IN_EXPORT int avs_get_row_size_p(const AVS_VideoFrame* frame, int) {
    return FrameOf(frame)->rowSize;
}
STAND_IN_EXPORT int avs_get_height_p(const AVS_VideoFrame* frame, int) {
    return FrameOf(frame)->height;
}
