// Conversions between the server's pixel formats, frame by frame. YUV <-> RGB uses the
// Rec.601 limited-range matrix (Y 16..235, chroma 16..240), AviSynth's default.
#pragma once

#include "avs_builtin/video_frame.h"

namespace bv::builtin {

// 4:2:0 -> YUY2: luma copied unchanged, chroma interpolated vertically for its siting
// (between luma rows; per field when `interlaced`).
FramePtr Yuy2FromPlanar(const VideoFrame& src, bool interlaced);
// YUY2 -> 4:2:0 (`format` YV12 or I420): luma unchanged, chroma of row pairs filtered.
FramePtr PlanarFromYuy2(const VideoFrame& src, bool interlaced, PixelFormat format);
// RGB24/RGB32 -> YUY2: each pixel's luma, chroma from the average of each pixel pair.
FramePtr Yuy2FromRgb(const VideoFrame& src);
// YUY2 -> RGB24/RGB32; odd pixels take the mean chroma of their neighbours.
FramePtr RgbFromYuy2(const VideoFrame& src, PixelFormat format);
// RGB24 <-> RGB32 (alpha 255).
FramePtr RgbFromRgb(const VideoFrame& src, PixelFormat format);

// Any of the formats to any other, through YUY2 where no direct way exists. Returns the
// frame itself when the formats agree (YV12 and I420 differ only in plane order, so
// planar to planar copies the planes).
FramePtr ConvertFrame(const FramePtr& src, PixelFormat format, bool interlaced);

// Rec.601 limited range: one RGB colour (0xRRGGBB) as Y, U, V.
void RgbToYuv601(int r, int g, int b, int& y, int& u, int& v);

} // namespace bv::builtin
