#include "avs_abi/pixel_format.h"

#include <array>
#include <strings.h>
#include <string>

namespace bv::avs {
namespace {

constexpr uint32_t kYuv420 = kCsYv12;
constexpr uint32_t kYuv422 = kCsYv12 | kCsSubHeight1;
constexpr uint32_t kYuv444 = kCsYv12 | kCsSubHeight1 | kCsSubWidth1;
constexpr uint32_t kYuv411 = kCsYv12 | kCsSubHeight1 | kCsSubWidth4;
constexpr uint32_t kGrey = kCsPlanar | kCsInterleaved | kCsYuv;
constexpr uint32_t kBits10 = kCsSampleBits10;
constexpr uint32_t kBits12 = kCsSampleBits12;
constexpr uint32_t kBits14 = kCsSampleBits14;
constexpr uint32_t kBits16 = kCsSampleBits16;

using F = FormatFamily;
constexpr std::array<PixelFormat, 25> kFormats{{
    {"YUY2", kCsYuy2, F::PackedYuv422, 1, 1, 0, 1, 8, 2},
    {"YV12", kYuv420, F::PlanarYuv, 3, 1, 1, 1, 8, 1},
    {"I420", kCsI420, F::PlanarYuv, 3, 1, 1, 1, 8, 1},
    {"RGB24", kCsRgb24, F::PackedRgb, 1, 0, 0, 1, 8, 3},
    {"RGB32", kCsRgb32, F::PackedRgb, 1, 0, 0, 1, 8, 4},
    {"Y8", kGrey, F::Grey, 1, 0, 0, 1, 8, 1},
    {"YV16", kYuv422, F::PlanarYuv, 3, 1, 0, 1, 8, 1},
    {"YV24", kYuv444, F::PlanarYuv, 3, 0, 0, 1, 8, 1},
    {"YUV420P10", kYuv420 | kBits10, F::PlanarYuv, 3, 1, 1, 2, 10, 1},
    {"YUV422P10", kYuv422 | kBits10, F::PlanarYuv, 3, 1, 0, 2, 10, 1},
    {"YUV444P10", kYuv444 | kBits10, F::PlanarYuv, 3, 0, 0, 2, 10, 1},
    {"Y10", kGrey | kBits10, F::Grey, 1, 0, 0, 2, 10, 1},
    {"YUV420P12", kYuv420 | kBits12, F::PlanarYuv, 3, 1, 1, 2, 12, 1},
    {"YUV422P12", kYuv422 | kBits12, F::PlanarYuv, 3, 1, 0, 2, 12, 1},
    {"YUV444P12", kYuv444 | kBits12, F::PlanarYuv, 3, 0, 0, 2, 12, 1},
    {"Y12", kGrey | kBits12, F::Grey, 1, 0, 0, 2, 12, 1},
    {"YUV420P14", kYuv420 | kBits14, F::PlanarYuv, 3, 1, 1, 2, 14, 1},
    {"YUV422P14", kYuv422 | kBits14, F::PlanarYuv, 3, 1, 0, 2, 14, 1},
    {"YUV444P14", kYuv444 | kBits14, F::PlanarYuv, 3, 0, 0, 2, 14, 1},
    {"Y14", kGrey | kBits14, F::Grey, 1, 0, 0, 2, 14, 1},
    {"YUV420P16", kYuv420 | kBits16, F::PlanarYuv, 3, 1, 1, 2, 16, 1},
    {"YUV422P16", kYuv422 | kBits16, F::PlanarYuv, 3, 1, 0, 2, 16, 1},
    {"YUV444P16", kYuv444 | kBits16, F::PlanarYuv, 3, 0, 0, 2, 16, 1},
    {"Y16", kGrey | kBits16, F::Grey, 1, 0, 0, 2, 16, 1},
    {"YV411", kYuv411, F::PlanarYuv, 3, 2, 0, 1, 8, 1},
}};

// The classic formats in the order their flags are tested: RGB first, so that no YUV test
// claims an RGB value.
constexpr int kClassicOrder[] = {3, 4, 0, 1, 2};

} // namespace

std::span<const PixelFormat> PixelFormats() { return kFormats; }

const PixelFormat* FindPixelFormat(uint32_t pixelType) {
    for (const PixelFormat& f : kFormats)
        if (f.pixelType == pixelType)
            return &f;
    return nullptr;
}

const PixelFormat* FindPixelFormat(std::string_view name) {
    const std::string wanted(name);
    for (const PixelFormat& f : kFormats)
        if (strcasecmp(wanted.c_str(), f.name) == 0)
            return &f;
    return nullptr;
}

const PixelFormat* ClassicPixelFormat(uint32_t pixelType) {
    for (const int row : kClassicOrder) {
        const uint32_t flags = kFormats[row].pixelType;
        if ((pixelType & flags) == flags)
            return &kFormats[row];
    }
    return nullptr;
}

std::string_view ColorSpaceName(uint32_t pixelType) {
    const PixelFormat* f = FindPixelFormat(pixelType);
    if (f == nullptr)
        return "";
    // I420 differs from YV12 only in the order of its chroma planes: one colour space to a user.
    return f == &kFormats[2] ? kFormats[1].name : f->name;
}

const PixelFormat& Yuy2Format() { return kFormats[0]; }
const PixelFormat& Yv12Format() { return kFormats[1]; }
const PixelFormat& I420Format() { return kFormats[2]; }
const PixelFormat& Rgb24Format() { return kFormats[3]; }
const PixelFormat& Rgb32Format() { return kFormats[4]; }

} // namespace bv::avs
