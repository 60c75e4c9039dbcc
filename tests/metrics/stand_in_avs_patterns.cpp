// A stand-in AviSynth library for the metric tests. The script path "pattern:W:H:SEED" opens a
// YUY2 clip of W x H whose bytes follow from SEED and the frame number (rows are padded past the
// row size); frame 99 of a clip with an even SEED cannot be fetched. Fetches and releases are
// recorded in order.
#include "support/stand_in_avs.h"

#include <cstdio>

namespace bv::standin {

namespace {

std::string events;

class PatternFrame : public Frame {
public:
    PatternFrame(int seed, int rowSize, int pitch, int height)
        : Frame(rowSize, pitch, height, 0, End::Bare), seed_(seed) {}
    ~PatternFrame() override { events += "release " + std::to_string(seed_) + ";"; }

private:
    const int seed_;
};

class PatternClip : public Clip {
public:
    PatternClip(int width, int height, int seed)
        : Clip(VideoInfo(avs::kCsYuy2, width, height, 100)), seed_(seed) {}

    std::unique_ptr<Frame> Fetch(int n) override {
        events += "fetch " + std::to_string(seed_) + " " + std::to_string(n) + ";";
        if (n == 99 && seed_ % 2 == 0)
            return Fail("pattern: frame 99 is missing");
        const int rowSize = 2 * info.width;
        auto frame = std::make_unique<PatternFrame>(seed_, rowSize, rowSize + 24, info.height);
        uint32_t state = static_cast<uint32_t>(seed_ * 7919 + n * 104729 + 1);
        for (auto& b : frame->bytes) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<unsigned char>(state >> 24);
        }
        return frame;
    }

private:
    const int seed_;
};

} // namespace

AVS_Value Import(const std::string& path) {
    int w = 0, h = 0, seed = 0;
    if (std::sscanf(path.c_str(), "pattern:%d:%d:%d", &w, &h, &seed) != 3)
        return ErrorValue("pattern: bad path");
    return ClipValue(std::make_unique<PatternClip>(w, h, seed));
}

} // namespace bv::standin

STAND_IN_EXPORT const char* pattern_events() {
    return bv::standin::events.c_str();
}
STAND_IN_EXPORT void pattern_clear_events() {
    bv::standin::events.clear();
}
