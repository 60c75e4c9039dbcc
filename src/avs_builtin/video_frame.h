// Frames and their pixel formats. A frame is immutable once made and shared by reference
// count, so the C interface, the filters and the caches can release it in any order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "avs_abi/pixel_format.h"

namespace bv::builtin {

// The formats the server makes, in the order of the one pixel-format table (each value is
// its row there), so their facts come from that table.
enum class PixelFormat : uint8_t {
    YUY2,
    YV12,
    I420,
    RGB24,
    RGB32,
    Y8,
    YV16,
    YV24,
    YUV420P10,
    YUV422P10,
    YUV444P10,
    Y10,
    YUV420P12,
    YUV422P12,
    YUV444P12,
    Y12,
    YUV420P14,
    YUV422P14,
    YUV444P14,
    Y14,
    YUV420P16,
    YUV422P16,
    YUV444P16,
    Y16,
    YV411,
};
inline constexpr int kPixelFormatCount = static_cast<int>(PixelFormat::YV411) + 1;

const avs::PixelFormat& Describe(PixelFormat format);

// AviSynth's pixel-type flags for the format.
inline uint32_t PixelTypeFlags(PixelFormat format) { return Describe(format).pixelType; }
inline const char* PixelFormatName(PixelFormat format) { return Describe(format).name; }
// A format's AviSynth+ name in any letter case; false for anything else.
bool PixelFormatFromName(const std::string& name, PixelFormat& format);
// The format of a row of the table; false for a row the server does not make.
bool PixelFormatOf(const avs::PixelFormat& row, PixelFormat& format);
// The planar YUV format with these chroma shifts and bit depth, or the grey format of that
// depth when `grey`; false when the table has none.
bool PlanarFormat(bool grey, int chromaShiftX, int chromaShiftY, int bitDepth, PixelFormat& format);

// Planar YUV with chroma planes (not grey).
inline bool IsPlanar(PixelFormat f) { return Describe(f).family == avs::FormatFamily::PlanarYuv; }
inline bool IsGrey(PixelFormat f) { return Describe(f).family == avs::FormatFamily::Grey; }
inline bool IsRgb(PixelFormat f) { return Describe(f).family == avs::FormatFamily::PackedRgb; }
// 8-bit 4:2:0 (YV12 or I420): what AviSynth's IsYV12 and the classic filters mean.
inline bool Is420Of8Bits(PixelFormat f) { return f == PixelFormat::YV12 || f == PixelFormat::I420; }
inline int BitDepth(PixelFormat f) { return Describe(f).bitDepth; }
inline int BytesPerPixel(PixelFormat f) { return Describe(f).RowBytes(0, 1); }

// Rows start on this boundary, as AviSynth's do (a 720-wide YUY2 frame has pitch 1472).
inline constexpr int kFrameAlign = 64;
// Bytes after each plane's last row. Libraries that write whole vectors (the scaler, up to
// 64 bytes wide) may store past a row's end: within a row the aligned pitch holds that, after
// the last row this does. Its final bytes are a canary (see PaddingIntact).
inline constexpr int kFramePadding = 128;

// Largest frame the server makes: a guard against scripts that would exhaust memory.
inline constexpr int kMaxFrameDimension = 16384;
inline constexpr int64_t kMaxFramePixels = int64_t{1} << 26;

// Checks width and height for the format (positive, within the limits, even where the
// chroma subsampling needs it); throws ScriptError with `who` as the prefix.
void CheckFrameSize(const char* who, PixelFormat format, int width, int height);

class VideoFrame {
public:
    // A new frame with uninitialised pixels; throws ScriptError when the size is refused.
    static std::shared_ptr<VideoFrame> Create(PixelFormat format, int width, int height);
    // A view of a rectangle of `parent` sharing its pixels (x, y, width and height must suit
    // the format). For RGB, `y` counts image rows from the top.
    static std::shared_ptr<const VideoFrame> Crop(const std::shared_ptr<const VideoFrame>& parent, int x,
                                                  int y, int width, int height);

    PixelFormat format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int planeCount() const { return Describe(format_).planes; }

    // Planes 0 (Y, or the whole image), 1 (U) and 2 (V). RGB images are stored bottom-up
    // like AviSynth's: the first row in memory is the bottom row of the picture.
    const uint8_t* data(int plane) const { return data_[plane]; }
    uint8_t* writableData(int plane) { return data_[plane]; }
    int pitch(int plane) const { return pitch_[plane]; }
    int rowSize(int plane) const { return rowSize_[plane]; }
    int planeHeight(int plane) const { return planeHeight_[plane]; }
    // False when something wrote as far as the canary at the end of a plane's padding.
    bool PaddingIntact() const;

    // Image row `y` (0 = top) of plane 0, whatever the storage order.
    const uint8_t* row(int y) const { return data_[0] + static_cast<ptrdiff_t>(StoredRow(y)) * pitch_[0]; }
    uint8_t* writableRow(int y) { return data_[0] + static_cast<ptrdiff_t>(StoredRow(y)) * pitch_[0]; }

private:
    int StoredRow(int y) const { return IsRgb(format_) ? height_ - 1 - y : y; }

    std::shared_ptr<uint8_t> storage_;
    PixelFormat format_ = PixelFormat::YUY2;
    int width_ = 0;
    int height_ = 0;
    uint8_t* data_[3] = {};
    int pitch_[3] = {};
    int rowSize_[3] = {};
    int planeHeight_[3] = {};
};

using FramePtr = std::shared_ptr<const VideoFrame>;

// Stored row `y` of a plane as samples of type T (uint8_t, or uint16_t beyond 8 bits).
template <typename T>
T* SampleRow(VideoFrame& f, int plane, int y) {
    return reinterpret_cast<T*>(f.writableData(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane));
}
template <typename T>
const T* SampleRow(const VideoFrame& f, int plane, int y) {
    return reinterpret_cast<const T*>(f.data(plane) + static_cast<ptrdiff_t>(y) * f.pitch(plane));
}

} // namespace bv::builtin
