// The pixel formats, described once: every part that needs a format's facts (the built-in
// server, the frame source, the metrics, the pictures, the colour-space names) reads them here
// instead of testing flags or names of its own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace bv::avs {

// AviSynth+'s pixel-type bits.
inline constexpr uint32_t kCsPlanar = 1u << 31;
inline constexpr uint32_t kCsInterleaved = 1u << 30;
inline constexpr uint32_t kCsYuv = 1u << 29;
inline constexpr uint32_t kCsBgr = 1u << 28;
inline constexpr uint32_t kCsVPlaneFirst = 1u << 3;
inline constexpr uint32_t kCsUPlaneFirst = 1u << 4;
inline constexpr uint32_t kCsSubWidth1 = 3u;       // no horizontal chroma subsampling
inline constexpr uint32_t kCsSubWidth4 = 1u;       // a quarter of the width (4:1:1)
inline constexpr uint32_t kCsSubHeight1 = 3u << 8; // no vertical chroma subsampling
inline constexpr uint32_t kCsSampleBits10 = 5u << 16;
inline constexpr uint32_t kCsSampleBits12 = 6u << 16;
inline constexpr uint32_t kCsSampleBits14 = 7u << 16;
inline constexpr uint32_t kCsSampleBits16 = 1u << 16;

// The classic 8-bit types.
inline constexpr uint32_t kCsRgb24 = 1u | kCsBgr | kCsInterleaved;
inline constexpr uint32_t kCsRgb32 = 2u | kCsBgr | kCsInterleaved;
inline constexpr uint32_t kCsYuy2 = (1u << 2) | kCsYuv | kCsInterleaved;
inline constexpr uint32_t kCsYv12 = kCsPlanar | kCsYuv | kCsVPlaneFirst;
inline constexpr uint32_t kCsI420 = kCsPlanar | kCsYuv | kCsUPlaneFirst;

enum class FormatFamily {
    PackedYuv422, // YUY2: Y0 U Y1 V in one plane
    PackedRgb,    // BGR(A) bytes in one plane, stored bottom-up
    PlanarYuv,    // Y, U, V planes
    Grey,         // a luma plane only
};

struct PixelFormat {
    const char* name;   // AviSynth's name for it
    uint32_t pixelType; // AviSynth+'s pixel_type value
    FormatFamily family;
    int planes;
    int chromaShiftX; // log2 of the horizontal chroma subsampling (0 when there is no chroma)
    int chromaShiftY; // log2 of the vertical chroma subsampling
    int bytesPerSample;
    int bitDepth;
    int samplesPerPixel; // of plane 0: 2 for YUY2, 3 or 4 for packed RGB, 1 for planes

    // Bytes in a row of `plane` for an image `width` pixels wide.
    int RowBytes(int plane, int width) const {
        const int samples = plane == 0 ? width * samplesPerPixel : width >> chromaShiftX;
        return samples * bytesPerSample;
    }
    int PlaneHeight(int plane, int height) const { return plane == 0 ? height : height >> chromaShiftY; }
    int PeakValue() const { return (1 << bitDepth) - 1; }
};

// Every row; the first five are the classic formats.
std::span<const PixelFormat> PixelFormats();

// The row whose pixel_type is exactly `pixelType`; nullptr for any other value.
const PixelFormat* FindPixelFormat(uint32_t pixelType);
// The row named `name` in any letter case; nullptr for any other name.
const PixelFormat* FindPixelFormat(std::string_view name);

// The 8-bit formats by their classic flags, as AviSynth's own tests read them: a value that
// holds every flag of the row's pixel_type counts as that row (so AviSynth+'s deeper planar
// 4:2:0 types count as "YV12", as its 2.5 interface does). nullptr when none holds.
const PixelFormat* ClassicPixelFormat(uint32_t pixelType);

// The name shown for a clip: AviSynth+'s name of its row ("RGB24", "RGB32", "YUY2", "YV12"
// also for I420, "YV16", "YV411", "Y8", "YUV420P10", "Y16", ...), or "" for any other pixel
// type: a name taken from flags alone would call a deeper or differently subsampled format YV12.
std::string_view ColorSpaceName(uint32_t pixelType);

// Rows of the classic formats, by name.
const PixelFormat& Yuy2Format();
const PixelFormat& Yv12Format();
const PixelFormat& I420Format();
const PixelFormat& Rgb24Format();
const PixelFormat& Rgb32Format();

} // namespace bv::avs
