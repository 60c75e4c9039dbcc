#include "avs_builtin/frame_rate.h"

#include "avs_builtin/script_error.h"

#include <cmath>

namespace bv::builtin {

void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den) {
    if (!(fps > 0) || fps > 1e6)
        throw ScriptError(who + ": the frame rate must be positive");
    for (uint32_t base : {24000u, 30000u, 48000u, 60000u, 120000u}) {
        if (std::fabs(fps - base / 1001.0) < 1e-4) {
            num = base;
            den = 1001;
            return;
        }
    }
    den = 1000000;
    while (fps * den > 4e9)
        den /= 10;
    num = static_cast<uint32_t>(std::llround(fps * den));
    uint32_t a = num, b = den;
    while (b != 0) {
        const uint32_t t = a % b;
        a = b;
        b = t;
    }
    if (a == 0)
        throw ScriptError(who + ": the frame rate must be positive");
    num /= a;
    den /= a;
}

} // namespace bv::builtin
