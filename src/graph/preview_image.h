// Preview pictures of the frame just analysed: the clip's YUV samples unpacked into a 32-bit
// bitmap, converted to RGB in place, shown in a box of at most 164 x 164. The player's pictures
// are made the same way.
#pragma once

#include "avs_abi/pixel_format.h"
#include "frame_source/plane_view.h"

#include <QImage>
#include <QSize>
#include <cstdint>
#include <span>

namespace bv {

struct AvsClip;
class FrameView;

inline constexpr int kPreviewBox = 164;
inline constexpr int kPreviewPc601 = 1;  // "PC.601 (RGB [0..255] -> YUV [0..255])"
inline constexpr int kPreviewRec601 = 2; // "REC.601 (RGB [0..255] -> YUV [16..235])"

// Sets the image to width x height, 32 bits per pixel, and fills it from packed YUY2 rows
// (Y0 U Y1 V): pixel bytes 0, 1, 2 (blue, green, red) receive Y, U, V. Rows advance by the
// pitch. Every frame is read as YUY2, but never beyond a row's size or `rows`, and never
// beyond `width` pixels; pixels the data does not reach are neutral dark (16, 128, 128).
void UnpackYuy2Preview(const uint8_t* data, int pitch, int rowSize, int rows, QImage& image, int width,
                       int height);

// Fetches frame `frame` of the clip and unpacks it into the image (width x height, the
// clip's frame size). Returns false, with the image neutral dark, when the frame cannot be
// fetched: the metrics of the same frame report that failure, the preview only shows it.
bool RenderPreviewFrame(const AvsClip& clip, int frame, QImage& image, int width, int height);

// Converts the unpacked Y, U, V of width x height pixels to R, G, B in place by
// recommendation 1 (PC.601) or 2 (REC.601); any other code counts as 1.
void ConvertPreviewToRgb(QImage& image, int recommendation, int width, int height);

// Sets the image to width x height, 32 bits per pixel, and fills it from planar YUV or grey
// planes (Y, then U and V) as UnpackYuy2Preview does: every pixel with the chroma sample it
// shares, samples above 8 bits scaled to 8 (rounded), grey with neutral chroma (128). Never
// reads beyond a plane's row size or rows; pixels the planes do not reach are neutral dark.
void UnpackPlanarPreview(std::span<const PlaneView> planes, const avs::PixelFormat& format, QImage& image,
                         int width, int height);

// A frame of `format` as an RGB picture of width x height: YUV in colour through
// `recommendation` (YUY2 exactly as the preview above), grey formats in grey, RGB as it is
// (AviSynth stores it bottom-up). A null image for nullptr, a frame that does not hold the
// size, or a format without a picture here.
QImage FrameRgbImage(std::span<const PlaneView> planes, const avs::PixelFormat* format, int recommendation,
                     int width, int height);
QImage FrameRgbImage(const FrameView& frame, const avs::PixelFormat* format, int recommendation, int width,
                     int height);

// Size of the preview image for a w x h clip: the 164 x 164 box with the clip's aspect ratio.
QSize FitPreviewImage(int width, int height);

} // namespace bv
