// Chroma resampling between the subsamplings of planar YUV as AviSynth+'s generic
// conversions do it: its bicubic resizer (b = c = 1/3) on each chroma plane, offset by where
// the source's and the target's chroma samples sit, per field when interlaced.
#pragma once

#include "avs_builtin/video_frame.h"

#include <functional>
#include <string>

namespace bv::builtin {

// Where chroma samples sit, numbered as AviSynth's _ChromaLocation frame property.
enum class ChromaSiting { Left = 0, Center = 1, TopLeft = 2, Top = 3, BottomLeft = 4, Bottom = 5, Dv = 6 };
inline constexpr int kChromaSitingCount = 7;
// AviSynth+'s names, letter case ignored: "left" or "mpeg2", "center", "mpeg1" or "jpeg",
// "top_left", "top", "bottom_left", "bottom", "dv". False for any other.
bool ChromaSitingFromName(const std::string& name, ChromaSiting& siting);

// A resampling kernel as AviSynth+'s resizers have it: the weight at a distance (in source
// samples, stretched when shrinking) and how far it reaches; a support of 0 samples points.
struct ResampleKernel {
    std::function<double(double)> weight;
    double support = 0;
};
// Mitchell-Netravali's cubic, AviSynth's BicubicResize (b = c = 1/3 by default).
ResampleKernel BicubicKernel(double b = 1.0 / 3, double c = 1.0 / 3);
// AviSynth+'s chroma resamplers by name, letter case ignored: point, bilinear, bicubic (b, c),
// lanczos (taps), lanczos4, blackman (taps), spline16, spline36, spline64, gauss (p, b, s),
// sinc (taps), sinpow (p), sinclin2 (taps), userdefined2 (b, c, s), with `param` (NaN when
// not given) as param1..param3. False for any other name.
bool ResampleKernelFromName(const std::string& name, const double (&param)[3], ResampleKernel& kernel);

// How a conversion resamples chroma: the sitings of its source and target (they matter for
// 4:2:0 and 4:2:2 only) and the kernel.
struct ChromaResampling {
    ChromaSiting in = ChromaSiting::Left;
    ChromaSiting out = ChromaSiting::Left;
    ResampleKernel kernel = BicubicKernel();
};

// Planar or grey to planar or grey at the same depth: luma copied, chroma resampled (a plane
// whose size and siting stay is copied), grey's missing chroma neutral.
FramePtr ConvertPlanar(const VideoFrame& src, PixelFormat format, bool interlaced,
                       const ChromaResampling& chroma = {});

} // namespace bv::builtin
