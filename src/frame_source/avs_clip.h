// Opening AviSynth scripts as clips, fetching their frames, naming their colour space.
#pragma once

#include <cstdint>
#include <string>

#include "avs_abi/avs_c_abi.h"
#include "frame_source/plane_view.h"

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
    // The format's row of the pixel-format table; nullptr for a pixel type it does not hold.
    const avs::PixelFormat* format = nullptr;
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

// One fetched frame and its planes. Valid until Release() or destruction; the owner releases
// it explicitly where the release order matters.
class FrameView {
public:
    static constexpr int kMaxPlanes = 3;

    FrameView() = default;
    FrameView(FrameView&& other) noexcept;
    FrameView& operator=(FrameView&& other) noexcept;
    FrameView(const FrameView&) = delete;
    FrameView& operator=(const FrameView&) = delete;
    ~FrameView() { Release(); }

    // Plane 0 is the default plane: the whole image of packed formats, the luma of planar
    // ones; planes 1 and 2 are U and V of planar YUV.
    const PlaneView& plane(int i) const { return planes_[i]; }
    int planeCount() const { return planeCount_; }

    const uint8_t* readPtr() const { return planes_[0].data; }
    int pitch() const { return planes_[0].pitch; }
    int rowSize() const { return planes_[0].rowSize; }
    int height() const { return planes_[0].height; } // rows of the default plane
    bool isValid() const { return frame_ != nullptr; }

    void Release();

private:
    friend FrameView FetchFrame(const AvsClip& clip, int frameNumber);

    AVS_VideoFrame* frame_ = nullptr;
    avs::ReleaseVideoFrameFn release_ = nullptr;
    PlaneView planes_[kMaxPlanes];
    int planeCount_ = 0;
};

// Fetches frame `frameNumber` (AviSynth clamps numbers outside the clip).
// Throws EAviSynthCException when the clip is closed or the frame cannot be fetched.
FrameView FetchFrame(const AvsClip& clip, int frameNumber);

// "RGB24", "RGB32", "YUY2", "YV12" (also for I420), or "" for any other pixel type.
inline std::string ColorSpaceName(uint32_t pixelType) { return std::string(avs::ColorSpaceName(pixelType)); }
inline std::string ColorSpaceName(const AvsClip& clip) { return ColorSpaceName(clip.pixelType); }

inline bool IsYuy2(uint32_t pixelType) { return (pixelType & avs::kCsYuy2) == avs::kCsYuy2; }

} // namespace bv
