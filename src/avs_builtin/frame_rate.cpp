#include "avs_builtin/frame_rate.h"

#include "avs_builtin/script_error.h"

#include <cmath>

namespace bv::builtin {

// A frame rate given as a float becomes the simplest ratio that reads back as the same
// single-precision float: the first continued-fraction convergent that does, so 23.976
// becomes 2997/125 and 29.97 becomes 2997/100, not the NTSC ratios (ask for those with
// "ntsc_film" or 24000, 1001).
void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den) {
    const float target = static_cast<float>(fps);
    if (!(target > 0) || target > 1e6f)
        throw ScriptError(who + ": the frame rate must be positive");
    constexpr double kLimit = 2147483647.0; // both parts stay positive 32-bit ints
    double rest = target;                   // exact: a float fits a double
    double p0 = 1, q0 = 0;                  // convergent before the last
    double p1 = std::floor(rest), q1 = 1;   // last convergent
    rest -= p1;
    while (static_cast<float>(p1 / q1) != target && rest > 0) {
        rest = 1 / rest;
        const double a = std::floor(rest);
        rest -= a;
        const double p2 = a * p1 + p0, q2 = a * q1 + q0;
        if (p2 > kLimit || q2 > kLimit)
            break;
        p0 = p1;
        q0 = q1;
        p1 = p2;
        q1 = q2;
    }
    if (p1 < 1)
        throw ScriptError(who + ": the frame rate must be positive");
    num = static_cast<uint32_t>(p1);
    den = static_cast<uint32_t>(q1);
}

} // namespace bv::builtin
