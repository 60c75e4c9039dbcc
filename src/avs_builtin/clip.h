// A clip: video information and frames on request. Filters hold their inputs by shared
// pointer, so a clip stays usable for as long as anyone holds it.
#pragma once

#include "avs_builtin/script_value.h"
#include "avs_builtin/video_frame.h"

#include <cstdint>
#include <memory>

namespace bv::builtin {

// Longest clip a script may describe; frame numbers stay far from int overflow.
inline constexpr int kMaxFrameCount = 100'000'000;

struct VideoInfo {
    int width = 0;
    int height = 0;
    uint32_t fpsNumerator = 25;
    uint32_t fpsDenominator = 1;
    int frameCount = 0;
    PixelFormat format = PixelFormat::YUY2;
    // The _Matrix and _ColorRange properties of the frames (-1: none), which AviSynth+'s
    // conversions between RGB and YUV and ConvertBits take as their defaults.
    int matrixProp = -1;
    int rangeProp = -1; // 0 full, 1 limited
    int chromaLocProp = -1; // _ChromaLocation: where 4:2:0 and 4:2:2 chroma sits (ChromaSiting)
};

class Clip {
public:
    virtual ~Clip() = default;
    const VideoInfo& info() const { return info_; }
    // Frame `n`, 0 <= n < frameCount (the caller clamps). Throws ScriptError when the frame
    // cannot be delivered.
    virtual FramePtr GetFrame(int n) = 0;

protected:
    VideoInfo info_;
};

} // namespace bv::builtin
