#include "frame_source/avs_clip.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "frame_source/avs_error.h"
#include "frame_source/script_environment.h"

namespace bv {

AvsClip::AvsClip(AvsClip&& other) noexcept
    : environment(other.environment), handle(std::exchange(other.handle, nullptr)), width(other.width),
      height(other.height), frameCount(other.frameCount), pixelType(other.pixelType),
      format(other.format), fpsNumerator(other.fpsNumerator), fpsDenominator(other.fpsDenominator) {}

AvsClip& AvsClip::operator=(AvsClip&& other) noexcept {
    if (this != &other) {
        CloseAvsClip(*this);
        environment = other.environment;
        handle = std::exchange(other.handle, nullptr);
        width = other.width;
        height = other.height;
        frameCount = other.frameCount;
        pixelType = other.pixelType;
        format = other.format;
        fpsNumerator = other.fpsNumerator;
        fpsDenominator = other.fpsDenominator;
    }
    return *this;
}

AvsClip::~AvsClip() { CloseAvsClip(*this); }

AvsClip OpenAvsClip(ScriptEnvironment& environment, const std::string& path) {
    const AvsFunctionTable& api = environment.api();
    AVS_ScriptEnvironment* env = environment.handle();
    // Windows builds evaluate a script with AviSource; Linux builds have only Import.
    const char* opener = api.function_exists(env, "AviSource") != 0 ? "AviSource" : "Import";

    const AVS_Value argument = avs::NewValueString(path.c_str());
    AVS_Value result = api.invoke(env, opener, argument, nullptr);
    if (avs::IsError(result)) {
        const char* text = avs::AsError(result);
        std::string message = text != nullptr ? text : "";
        api.release_value(result);
        throw EAviSynthCException(message);
    }
    if (!avs::IsClip(result)) {
        api.release_value(result);
        throw EAviSynthCException("The script's return value was not a video clip: " + path);
    }

    AvsClip clip;
    clip.environment = &environment;
    clip.handle = api.take_clip(result, env);
    api.release_value(result);
    if (clip.handle == nullptr)
        throw EAviSynthCException("AviSynth returned no clip for " + path);
    const AVS_VideoInfo* info = api.get_video_info(clip.handle);
    if (info == nullptr)
        throw EAviSynthCException("AviSynth returned no video information for " + path);
    clip.width = info->width;
    clip.height = info->height;
    clip.frameCount = info->num_frames;
    clip.pixelType = static_cast<uint32_t>(info->pixel_type);
    clip.format = avs::FindPixelFormat(clip.pixelType);
    clip.fpsNumerator = info->fps_numerator;
    clip.fpsDenominator = info->fps_denominator;
    return clip;
}

void CloseAvsClip(AvsClip& clip) {
    if (clip.handle != nullptr && clip.environment != nullptr)
        clip.environment->api().release_clip(clip.handle);
    clip.handle = nullptr;
    clip.width = 0;
    clip.height = 0;
    clip.frameCount = 0;
    clip.pixelType = 0;
    clip.format = nullptr;
    clip.fpsNumerator = 0;
    clip.fpsDenominator = 0;
}

FrameView::FrameView(FrameView&& other) noexcept
    : frame_(std::exchange(other.frame_, nullptr)), release_(other.release_), planeCount_(other.planeCount_) {
    std::copy(std::begin(other.planes_), std::end(other.planes_), planes_);
}

FrameView& FrameView::operator=(FrameView&& other) noexcept {
    if (this != &other) {
        Release();
        frame_ = std::exchange(other.frame_, nullptr);
        release_ = other.release_;
        std::copy(std::begin(other.planes_), std::end(other.planes_), planes_);
        planeCount_ = other.planeCount_;
    }
    return *this;
}

void FrameView::Release() {
    if (frame_ != nullptr)
        release_(frame_);
    frame_ = nullptr;
    std::fill(std::begin(planes_), std::end(planes_), PlaneView{});
    planeCount_ = 0;
}

FrameView FetchFrame(const AvsClip& clip, int frameNumber) {
    if (clip.handle == nullptr || clip.environment == nullptr)
        throw EAviSynthCException("Cannot fetch frame " + std::to_string(frameNumber) +
                                  ": the clip is not open");
    const AvsFunctionTable& api = clip.environment->api();
    AVS_VideoFrame* frame = api.get_frame(clip.handle, frameNumber);
    if (frame == nullptr) {
        const char* text = api.clip_get_error != nullptr ? api.clip_get_error(clip.handle) : nullptr;
        throw EAviSynthCException(text != nullptr && *text != '\0'
                                      ? std::string(text)
                                      : "AviSynth could not deliver frame " + std::to_string(frameNumber));
    }
    FrameView view;
    view.frame_ = frame;
    view.release_ = api.release_video_frame;
    // Every plane is read here, on the thread that fetched the frame: whoever reads the
    // pixels later never calls AviSynth.
    static constexpr int kPlaneIds[FrameView::kMaxPlanes] = {avs::kPlaneDefault, avs::kPlaneU, avs::kPlaneV};
    view.planeCount_ = clip.format != nullptr ? clip.format->planes : 1;
    for (int i = 0; i < view.planeCount_; ++i) {
        PlaneView& p = view.planes_[i];
        p.data = api.get_read_ptr_p(frame, kPlaneIds[i]);
        p.pitch = api.get_pitch_p(frame, kPlaneIds[i]);
        p.rowSize = api.get_row_size_p(frame, kPlaneIds[i]);
        p.height = api.get_height_p(frame, kPlaneIds[i]);
    }
    return view;
}

} // namespace bv
