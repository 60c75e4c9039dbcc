// A fast 64-bit fingerprint of frame bytes: tells whether two decodes produced the same
// picture. XXH3 streams at memory speed, so fingerprinting every decoded frame costs little.
#pragma once

#include <cstddef>
#include <cstdint>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace bv::builtin {

class FrameHasher {
public:
    FrameHasher() { XXH3_64bits_reset(&state_); }
    FrameHasher(const FrameHasher&) = delete;
    FrameHasher& operator=(const FrameHasher&) = delete;
    void Add(const uint8_t* p, size_t n) { XXH3_64bits_update(&state_, p, n); }
    uint64_t Digest() const { return XXH3_64bits_digest(&state_); }

private:
    XXH3_state_t state_;
};

} // namespace bv::builtin
