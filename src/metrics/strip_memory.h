// The column sums a strip works in, kept between frames.
#pragma once

#include "metrics/ssim_strip.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bv::ssim {

// Column sums of one thread's strip, kept between frames: frames of a known size allocate nothing.
class StripMemory {
public:
    // Points the strip's sum arrays (the 32-bit ones, or the wide ones) at zeroed or earlier
    // memory for its windows.
    void Attach(Strip& strip, bool wide) {
        const size_t n = static_cast<size_t>(PaddedColumns(strip.windows));
        if (wide) {
            if (wide_.size() < 5 * n)
                wide_.resize(5 * n);
            strip.wide = wide_.data();
            return;
        }
        if (sums_.size() < 4 * n)
            sums_.resize(4 * n);
        strip.sumPacked = sums_.data();
        strip.sumOO = strip.sumPacked + n;
        strip.sumEE = strip.sumOO + n;
        strip.sumOE = strip.sumEE + n;
    }

private:
    std::vector<int32_t> sums_;
    std::vector<int64_t> wide_;
};

} // namespace bv::ssim
