// Opening AviSynth scripts as clips, fetching their frames, naming their colour space.
#pragma once

#include <cstdint>
#include <string>

#include "avs_abi/avs_c_abi.h"

namespace bv {

class ScriptEnvironment;

// One opened clip with the video information read when it was opened.
// Closed by CloseAvsClip or, at the latest, by its destructor.
struct AvsClip {
    ScriptEnvironment* environment = nullptr;
    AVS_Clip* handle = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t frameCount = 0;
    uint32_t pixelType = 0;
    // Frames per second as the fraction AviSynth reports; 0/0 while closed.
    uint32_t fpsNumerator = 0;
    uint32_t fpsDenominator = 0;

    AvsClip() = default;
    AvsClip(AvsClip&& other) noexcept;
    AvsClip& operator=(AvsClip&& other) noexcept;
    AvsClip(const AvsClip&) = delete;
    AvsClip& operator=(const AvsClip&) = delete;
    ~AvsClip();

    bool isOpen() const { return handle != nullptr; }
};

// Evaluates the script file at `path` ("AviSource" where the library has it, else "Import").
// Throws EAviSynthCException with AviSynth's text when the script fails, and with a text of
// its own when the result is not a clip.
AvsClip OpenAvsClip(ScriptEnvironment& environment, const std::string& path);

// Releases the clip and clears its video information; closing a closed clip does nothing.
void CloseAvsClip(AvsClip& clip);

// One fetched frame seen as one interleaved image. Valid until Release() or destruction;
// the owner releases it explicitly where the release order matters.
class FrameView {
public:
    FrameView() = default;
    FrameView(FrameView&& other) noexcept;
    FrameView& operator=(FrameView&& other) noexcept;
    FrameView(const FrameView&) = delete;
    FrameView& operator=(const FrameView&) = delete;
    ~FrameView() { Release(); }

    const uint8_t* readPtr() const { return readPtr_; }
    int pitch() const { return pitch_; }
    int rowSize() const { return rowSize_; }
    int height() const { return height_; } // rows of the default plane
    bool isValid() const { return frame_ != nullptr; }

    void Release();

private:
    friend FrameView FetchFrame(const AvsClip& clip, int frameNumber);

    AVS_VideoFrame* frame_ = nullptr;
    avs::ReleaseVideoFrameFn release_ = nullptr;
    const uint8_t* readPtr_ = nullptr;
    int pitch_ = 0;
    int rowSize_ = 0;
    int height_ = 0;
};

// Fetches frame `frameNumber` (AviSynth clamps numbers outside the clip).
// Throws EAviSynthCException when the clip is closed or the frame cannot be fetched.
FrameView FetchFrame(const AvsClip& clip, int frameNumber);

// "RGB24", "RGB32", "YUY2", "YV12" (also for I420), or "" for any other pixel type.
std::string ColorSpaceName(uint32_t pixelType);
inline std::string ColorSpaceName(const AvsClip& clip) { return ColorSpaceName(clip.pixelType); }

inline bool IsYuy2(uint32_t pixelType) { return (pixelType & avs::kCsYuy2) == avs::kCsYuy2; }

} // namespace bv
