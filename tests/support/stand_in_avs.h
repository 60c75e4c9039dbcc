// The common part of the tests' stand-in AviSynth libraries: AviSynth's C entry points over
// reference-counted clips and frames with a pitch, and counts of what the program holds.
// A stand-in defines Import() and a Clip whose Fetch() makes its frames.
#pragma once

#include "avs_abi/avs_c_abi.h"
#include "support/stand_in_counters.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Marks what a stand-in offers its tests beside AviSynth's functions.
#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))

namespace bv::standin {

// A frame as avs_get_frame hands it out: `height` rows of `rowSize` bytes, `pitch` bytes apart.
class Frame {
public:
    // Padded: the buffer holds the last row's padding too. Bare: it ends with the last sample,
    // so that an address checker catches a read past the last row.
    enum class End { Padded, Bare };

    Frame(int rowSize, int pitch, int height, unsigned char fill, End end = End::Padded);
    virtual ~Frame() = default;

    unsigned char* Row(int y) { return bytes.data() + static_cast<std::size_t>(y) * pitch; }

    const int rowSize;
    const int pitch;
    const int height;
    std::vector<unsigned char> bytes;
};

// A clip that Import opened. It lives while its value or any reference avs_take_clip gave out
// holds it.
class Clip {
public:
    explicit Clip(const AVS_VideoInfo& info) : info(info) {}
    virtual ~Clip() = default;
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    // Frame n, or null after Fail() has said why.
    virtual std::unique_ptr<Frame> Fetch(int n) = 0;

    const AVS_VideoInfo info;
    std::string error;              // what avs_clip_get_error reports
    std::atomic<int> references{1}; // the value Import returned holds the first

protected:
    std::unique_ptr<Frame> Fail(std::string text) {
        error = std::move(text);
        return nullptr;
    }
};

// Video information without audio; the frame rate stays 0/0 unless given.
AVS_VideoInfo VideoInfo(uint32_t pixelType, int width, int height, int frames, unsigned fpsNumerator = 0,
                        unsigned fpsDenominator = 0);

// Values for Import to return. The texts of errors live as long as the library, as AviSynth's do.
AVS_Value ClipValue(std::unique_ptr<Clip> clip);
AVS_Value ErrorValue(const std::string& text);
AVS_Value IntValue(int value);

// The file's first line without its line end, or nothing when the file cannot be opened.
std::optional<std::string> FirstLine(const std::string& path);

// What Import(path) gives: each stand-in defines it.
AVS_Value Import(const std::string& path);

} // namespace bv::standin
