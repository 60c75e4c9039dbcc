// The pictures of the stand-in AviSynth library, shared with the tests so that they can work
// out the expected figures on their own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace bv::fake {

// A clip as a source file describes it: "clip w=32 h=24 frames=30 seed=0 noise=0 ...".
struct ClipSpec {
    int width = 32;
    int height = 24;
    int frames = 30;
    int seed = 0;              // 0: the original's picture; another seed adds its own noise
    int noise = 0;             // noise amplitude in sample levels
    bool dark = false;         // luma squeezed into 0..40: every window weighs nothing
    std::string type = "yuy2"; // yuy2, yv12 or rgb32
    int fail = -1;             // this frame cannot be fetched
    int badFrame = -1;         // this frame comes with fewer rows than the clip announces
    int delayMs = 0;           // time each frame fetch takes
};

inline uint32_t Hash(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t h = a * 0x9E3779B1u ^ b * 0x85EBCA77u ^ c * 0xC2B2AE3Du ^ d * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// Byte `i` of row `y` of frame `n` of a YUY2 clip (Y0 U Y1 V groups).
inline uint8_t Sample(const ClipSpec& c, int i, int y, int n) {
    int v;
    if (i % 2 == 0) {
        const int x = i / 2;
        v = (x * 7 + y * 13 + n * 29 + (x * y) % 17 + ((x / 4 + y / 4) % 2) * 60) & 255;
        if (c.dark)
            v = v * 40 / 255;
    } else {
        v = (i * 3 + y * 5 + n * 11 + 100) & 255;
    }
    if (c.seed != 0 && c.noise > 0) {
        const int d = static_cast<int>(Hash(c.seed, i, y, n) % (2u * c.noise + 1)) - c.noise;
        v = std::clamp(v + d, 0, c.dark && i % 2 == 0 ? 40 : 255);
    }
    return static_cast<uint8_t>(v);
}

} // namespace bv::fake
