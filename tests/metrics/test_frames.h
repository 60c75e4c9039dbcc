// YUY2 frames for the metric tests: synthetic patterns and real decoded frames.
#pragma once

#include "avs_abi/pixel_format.h"
#include "metrics/frame_metrics.h"
#include "support/reference_metrics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bv::testing {

// A YUY2 frame that owns its bytes; rows are `pitch` bytes apart and the buffer ends right after
// the last row's image bytes, so nothing lies beyond what a kernel may read.
struct Yuy2Frame {
    int width = 0; // pixels
    int height = 0;
    int pitch = 0;
    std::vector<uint8_t> bytes;

    Yuy2Frame() = default;
    Yuy2Frame(int width, int height, int extraPitch = 0);
    int rowSize() const { return 2 * width; }
    uint8_t& luma(int x, int y) { return bytes[static_cast<size_t>(y) * pitch + 2 * x]; }
    uint8_t& chroma(int x, int y) { return bytes[static_cast<size_t>(y) * pitch + 2 * x + 1]; }
    uint8_t luma(int x, int y) const { return bytes[static_cast<size_t>(y) * pitch + 2 * x]; }
    uint8_t chroma(int x, int y) const { return bytes[static_cast<size_t>(y) * pitch + 2 * x + 1]; }
    PlaneView image() const { return {bytes.data(), pitch, rowSize()}; }
    Yuy2Frame withPitch(int extraPitch) const; // same picture, other row padding
};

Yuy2Frame Uniform(int width, int height, uint8_t luma, uint8_t chroma = 128);
// Every byte (luma and chroma) uniform in [low, high].
Yuy2Frame Random(int width, int height, uint32_t seed, int low = 0, int high = 255, int extraPitch = 0);
// `base` with every byte moved by a uniform offset in [-amplitude, amplitude], clamped.
Yuy2Frame Noisy(const Yuy2Frame& base, int amplitude, uint32_t seed, int extraPitch = 0);
// Luma mirrored around 128 (chroma kept): structure reversed, so local SSIM turns negative.
Yuy2Frame Inverted(const Yuy2Frame& base);

// A frame of a planar YUV or grey format that owns its planes; rows are the plane's row bytes
// plus `extraPitch` apart, and nothing lies beyond the last row's samples.
struct PlanarFrame {
    const avs::PixelFormat* format = nullptr;
    int width = 0, height = 0;
    std::vector<uint8_t> planes[3];
    int pitch[3] = {0, 0, 0};

    PlanarFrame(const avs::PixelFormat& format, int width, int height, int extraPitch = 0);
    int count() const { return format->planes; }
    int PlaneWidth(int p) const { return format->RowBytes(p, width) / format->bytesPerSample; } // samples
    int PlaneHeight(int p) const { return format->PlaneHeight(p, height); }
    void Set(int p, int x, int y, int value);
    int Get(int p, int x, int y) const;
    PlaneView View(int p) const;
    reference::Picture Picture() const;
};

// Every sample uniform in [low, high] (high -1: the format's peak).
PlanarFrame RandomPlanar(const avs::PixelFormat& format, int width, int height, uint32_t seed, int low = 0,
                         int high = -1, int extraPitch = 0);
// `base` with every sample moved by a uniform offset in [-amplitude, amplitude], clamped.
PlanarFrame NoisyPlanar(const PlanarFrame& base, int amplitude, uint32_t seed, int extraPitch = 0);

// Every planar and grey row of the format table, and a planar 4:1:1 one.
std::vector<const avs::PixelFormat*> PlanarFormats();

// Consecutive frames of a raw yuyv422 file of the given size; empty when the file is missing.
std::vector<Yuy2Frame> ReadYuyvFile(const std::string& path, int width, int height);
// Consecutive frames of a raw planar file (planes one after the other, as FFmpeg's rawvideo
// writes them); empty when the file is missing.
std::vector<PlanarFrame> ReadPlanarFile(const std::string& path, const avs::PixelFormat& format, int width,
                                        int height);
// BREVANTA_TEST_DATA, where the test clips fixture writes its files.
std::string TestDataDir();

} // namespace bv::testing
