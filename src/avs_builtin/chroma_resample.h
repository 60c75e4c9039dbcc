// Chroma resampling between the subsamplings of planar YUV as AviSynth+'s generic
// conversions do it: its bicubic resizer (b = c = 1/3) on each chroma plane, offset by where
// the source's and the target's chroma samples sit, per field when interlaced.
#pragma once

#include "avs_builtin/video_frame.h"

#include <string>

namespace bv::builtin {

// Where chroma samples sit, numbered as AviSynth's _ChromaLocation frame property.
enum class ChromaSiting { Left = 0, Center = 1, TopLeft = 2, Top = 3, BottomLeft = 4, Bottom = 5, Dv = 6 };
inline constexpr int kChromaSitingCount = 7;
// AviSynth+'s names, letter case ignored: "left" or "mpeg2", "center", "mpeg1" or "jpeg",
// "top_left", "top", "bottom_left", "bottom", "dv". False for any other.
bool ChromaSitingFromName(const std::string& name, ChromaSiting& siting);

// The sitings of a conversion's source and target; they matter for 4:2:0 and 4:2:2 only.
struct ChromaPlacement {
    ChromaSiting in = ChromaSiting::Left;
    ChromaSiting out = ChromaSiting::Left;
};

// Planar or grey to planar or grey at the same depth: luma copied, chroma resampled (a plane
// whose size and siting stay is copied), grey's missing chroma neutral.
FramePtr ConvertPlanar(const VideoFrame& src, PixelFormat format, bool interlaced,
                       const ChromaPlacement& placement = {});

} // namespace bv::builtin
