#include "test_frames.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <random>

namespace bv::testing {

Yuy2Frame::Yuy2Frame(int w, int h, int extraPitch) : width(w), height(h), pitch(2 * w + extraPitch) {
    bytes.assign(h > 0 ? static_cast<size_t>(h - 1) * pitch + 2 * w : 0, 0);
}

Yuy2Frame Yuy2Frame::withPitch(int extraPitch) const {
    Yuy2Frame f(width, height, extraPitch);
    for (int y = 0; y < height; ++y)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(y) * pitch, rowSize(),
                    f.bytes.begin() + static_cast<std::ptrdiff_t>(y) * f.pitch);
    return f;
}

PlanarFrame::PlanarFrame(const avs::PixelFormat& f, int w, int h, int extraPitch)
    : format(&f), width(w), height(h) {
    for (int p = 0; p < f.planes; ++p) {
        pitch[p] = f.RowBytes(p, w) + extraPitch;
        const int rows = f.PlaneHeight(p, h);
        planes[p].assign(rows > 0 ? static_cast<size_t>(rows - 1) * pitch[p] + f.RowBytes(p, w) : 0, 0);
    }
}

void PlanarFrame::Set(int p, int x, int y, int value) {
    uint8_t* at = planes[p].data() + static_cast<size_t>(y) * pitch[p] + x * format->bytesPerSample;
    at[0] = static_cast<uint8_t>(value);
    if (format->bytesPerSample == 2)
        at[1] = static_cast<uint8_t>(value >> 8);
}

int PlanarFrame::Get(int p, int x, int y) const {
    const uint8_t* at = planes[p].data() + static_cast<size_t>(y) * pitch[p] + x * format->bytesPerSample;
    return format->bytesPerSample == 2 ? at[0] | at[1] << 8 : at[0];
}

PlaneView PlanarFrame::View(int p) const {
    return {planes[p].data(), pitch[p], format->RowBytes(p, width), PlaneHeight(p)};
}

reference::Picture PlanarFrame::Picture() const {
    reference::Picture r;
    r.format = format;
    for (int p = 0; p < count(); ++p)
        r.planes[p] = View(p);
    r.width = width;
    r.height = height;
    return r;
}

PlanarFrame RandomPlanar(const avs::PixelFormat& format, int width, int height, uint32_t seed, int low,
                         int high, int extraPitch) {
    PlanarFrame f(format, width, height, extraPitch);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(low, high < 0 ? format.PeakValue() : high);
    for (int p = 0; p < f.count(); ++p)
        for (int y = 0; y < f.PlaneHeight(p); ++y)
            for (int x = 0; x < f.PlaneWidth(p); ++x)
                f.Set(p, x, y, value(rng));
    return f;
}

PlanarFrame NoisyPlanar(const PlanarFrame& base, int amplitude, uint32_t seed, int extraPitch) {
    PlanarFrame f(*base.format, base.width, base.height, extraPitch);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> offset(-amplitude, amplitude);
    for (int p = 0; p < f.count(); ++p)
        for (int y = 0; y < f.PlaneHeight(p); ++y)
            for (int x = 0; x < f.PlaneWidth(p); ++x)
                f.Set(p, x, y, std::clamp(base.Get(p, x, y) + offset(rng), 0, base.format->PeakValue()));
    return f;
}

std::vector<const avs::PixelFormat*> PlanarFormats() {
    static const avs::PixelFormat yv411{"YV411", 0, avs::FormatFamily::PlanarYuv, 3, 2, 0, 1, 8, 1};
    std::vector<const avs::PixelFormat*> formats;
    for (const avs::PixelFormat& f : avs::PixelFormats())
        if (f.family == avs::FormatFamily::PlanarYuv || f.family == avs::FormatFamily::Grey)
            formats.push_back(&f);
    formats.push_back(&yv411);
    return formats;
}

Yuy2Frame Uniform(int width, int height, uint8_t luma, uint8_t chroma) {
    Yuy2Frame f(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            f.luma(x, y) = luma;
            f.chroma(x, y) = chroma;
        }
    return f;
}

Yuy2Frame Random(int width, int height, uint32_t seed, int low, int high, int extraPitch) {
    Yuy2Frame f(width, height, extraPitch);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(low, high);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < f.rowSize(); ++i)
            f.bytes[static_cast<size_t>(y) * f.pitch + i] = static_cast<uint8_t>(value(rng));
    return f;
}

Yuy2Frame Noisy(const Yuy2Frame& base, int amplitude, uint32_t seed, int extraPitch) {
    Yuy2Frame f = base.withPitch(extraPitch);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> offset(-amplitude, amplitude);
    for (int y = 0; y < f.height; ++y)
        for (int i = 0; i < f.rowSize(); ++i) {
            uint8_t& b = f.bytes[static_cast<size_t>(y) * f.pitch + i];
            b = static_cast<uint8_t>(std::clamp(b + offset(rng), 0, 255));
        }
    return f;
}

Yuy2Frame Inverted(const Yuy2Frame& base) {
    Yuy2Frame f = base;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            f.luma(x, y) = static_cast<uint8_t>(std::clamp(256 - f.luma(x, y), 0, 255));
    return f;
}

std::vector<Yuy2Frame> ReadYuyvFile(const std::string& path, int width, int height) {
    std::vector<Yuy2Frame> frames;
    std::ifstream in(path, std::ios::binary);
    for (;;) {
        Yuy2Frame f(width, height);
        if (!in.read(reinterpret_cast<char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size())))
            break;
        frames.push_back(std::move(f));
    }
    return frames;
}

std::vector<PlanarFrame> ReadPlanarFile(const std::string& path, const avs::PixelFormat& format, int width,
                                        int height) {
    std::vector<PlanarFrame> frames;
    std::ifstream in(path, std::ios::binary);
    for (;;) {
        PlanarFrame f(format, width, height);
        for (auto& plane : f.planes)
            in.read(reinterpret_cast<char*>(plane.data()), static_cast<std::streamsize>(plane.size()));
        if (!in)
            break;
        frames.push_back(std::move(f));
    }
    return frames;
}

std::string TestDataDir() {
    const char* dir = std::getenv("BREVANTA_TEST_DATA");
    return dir != nullptr ? dir : "testdata";
}

} // namespace bv::testing
