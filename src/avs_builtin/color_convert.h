// Conversions between the server's pixel formats, frame by frame, as AviSynth+ does them:
// RGB <-> YUV by the chosen matrix (Rec.601 limited range by default) in its fixed point;
// chroma resampled as AviSynth+'s resizers do (bicubic, b = c = 1/3, by default) between the
// sitings of source and target (MPEG-2's by default: horizontally on
// the left pixel, vertically between the two rows, per field when interlaced), except for
// AviSynth's own 4:2:0 <-> YUY2 kernels; RGB -> YUY2 with the 1-2-1 kernel on the left pixel;
// YUY2 -> RGB with AviSynth+'s YUY2 kernel, odd pixels between two pairs' chroma.
#pragma once

#include "avs_builtin/chroma_resample.h"
#include "avs_builtin/video_frame.h"

#include <string>

namespace bv::builtin {

// The coefficients of a YUV matrix, whether YUV is limited range (Y 16..235, chroma 16..240)
// or full, and whether RGB is studio range (16..235) or full (0..255).
struct ColorMatrix {
    double kr = 0.299, kb = 0.114;
    bool limited = true;
    bool rgbLimited = false;
    int id = 6; // its _Matrix value: 6 Rec.601 (SMPTE 170M), 1 Rec.709, 9 Rec.2020, 0 RGB
};
// "Rec601", "PC.601" ("PC601"), "Rec709", "PC.709", "Rec2020", "PC.2020", letter case
// ignored; "" is Rec601. False for any other name.
bool ColorMatrixFromName(const std::string& name, ColorMatrix& matrix);
// The coefficients of a _Matrix value (0 RGB, 1 Rec.709, 4 FCC, 5 and 6 Rec.601, 7 SMPTE
// 240M, 9 and 10 Rec.2020); false for the others.
bool ColorMatrixFromId(int id, ColorMatrix& matrix);

// 4:2:0 -> YUY2 through 4:2:2: luma copied unchanged, chroma resampled.
FramePtr Yuy2FromPlanar(const VideoFrame& src, bool interlaced, const ChromaResampling& chroma = {});
// YUY2 -> 4:2:0 (`format` YV12 or I420) through 4:2:2: luma unchanged, chroma resampled.
FramePtr PlanarFromYuy2(const VideoFrame& src, bool interlaced, PixelFormat format,
                        const ChromaResampling& chroma = {});
// AviSynth's own 4:2:0 <-> YUY2 kernels (8 bits), which AviSynth+ uses when no chroma
// placement or resampler is named. To YUY2 each luma row mixes its chroma row 3:1 with the
// next one up (upper row of a pair) or down (lower row), within its field when interlaced;
// the first and last two rows (four when interlaced) take their chroma row as it is. To 4:2:0
// a chroma row is the mean of its two rows, or, interlaced, 3:1 of its field's two rows, the
// nearer one weighing more.
FramePtr Yuy2FromYv12Direct(const VideoFrame& src, bool interlaced);
FramePtr Yv12FromYuy2Direct(const VideoFrame& src, bool interlaced, PixelFormat format);
// RGB24/RGB32 -> YUY2: each pixel's luma, chroma of the even pixel filtered 1-2-1.
FramePtr Yuy2FromRgb(const VideoFrame& src, const ColorMatrix& matrix = {});
// YUY2 -> RGB24/RGB32; odd pixels take the mean chroma of their neighbours.
FramePtr RgbFromYuy2(const VideoFrame& src, PixelFormat format, const ColorMatrix& matrix = {});
// RGB -> 4:2:0 through 4:4:4, and back.
FramePtr PlanarFromRgb(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& matrix,
                       const ChromaResampling& chroma = {});
FramePtr RgbFromPlanar(const VideoFrame& src, bool interlaced, PixelFormat format, const ColorMatrix& matrix,
                       const ChromaResampling& chroma = {});
// RGB24 <-> RGB32 (alpha 255).
FramePtr RgbFromRgb(const VideoFrame& src, PixelFormat format);

// Any of the formats to any other. Returns the frame itself when the formats and chroma
// sitings agree (YV12 and I420 differ only in plane order, so planar to planar copies the
// planes). YUY2 and RGB hold 8 bits, so deeper sources are brought to 8 bits first.
FramePtr ConvertFrame(const FramePtr& src, PixelFormat format, bool interlaced, const ColorMatrix& matrix = {},
                      const ChromaResampling& chroma = {});

// The same layout at the depth of `format`, as ConvertBits does it: limited range (YUV) by a
// bit shift, rounding when shrinking; full range stretched to the new peak, rounded.
FramePtr ConvertBitDepth(const FramePtr& src, PixelFormat format, bool fullRange);

// Rec.601 limited range: one RGB colour as Y, U, V (the colours of BlankClip).
void RgbToYuv601(int r, int g, int b, int& y, int& u, int& v);

} // namespace bv::builtin
