// Rounding to the nearest integer with halves to even, independent of the FPU's rounding mode.
#pragma once

#include <cmath>

namespace bv {

inline double RoundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

} // namespace bv
