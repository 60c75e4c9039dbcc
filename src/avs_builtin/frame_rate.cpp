#include "avs_builtin/frame_rate.h"

#include "avs_builtin/script_error.h"

#include <cstring>

namespace bv::builtin {

namespace {

// The float as an exact fraction, an odd numerator over a power of two (or a whole number
// over 1); tiny values through their reciprocal. False when it does not fit 32-bit parts.
bool ExactFraction(float value, uint32_t& num, uint32_t& den) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    uint32_t mantissa = (bits & 0x7FFFFF) + 0x800000;
    int exponent = static_cast<int>((bits & 0x7F800000) >> 23) - 127 - 23;
    while ((mantissa & 1) == 0) {
        mantissa >>= 1;
        ++exponent;
    }
    if (exponent < -31)
        return ExactFraction(static_cast<float>(1.0 / value), den, num);
    while (exponent > 0 && (mantissa & 0x80000000) == 0) {
        mantissa <<= 1;
        --exponent;
    }
    if (exponent > 0)
        return false;
    num = mantissa;
    den = 1u << -exponent;
    return true;
}

// The fraction with the smallest denominator that converts to the same float: continued
// fraction convergents until one does, then the smallest semiconvergent between the last two
// that still lies within half a float step, AviSynth+'s construction with its 32-bit
// arithmetic. False when the float does not fit.
bool SmallestFraction(float value, uint32_t& num, uint32_t& den) {
    if (!ExactFraction(value, num, den))
        return false;
    uint32_t n0 = 0, n1 = 1, n2 = 0, nx = num;
    uint32_t d0 = 1, d1 = 0, d2 = 0, dx = den;
    uint32_t a2 = 0, f1 = 0, f2 = 0;
    while (true) {
        a2 = nx / dx;
        f2 = nx % dx;
        n2 = n0 + n1 * a2;
        d2 = d0 + d1 * a2;
        if (f2 == 0 || static_cast<float>(static_cast<double>(n2) / d2) == value)
            break;
        n0 = n1;
        n1 = n2;
        d0 = d1;
        d1 = d2;
        nx = dx;
        dx = f1 = f2;
    }
    if (d2 == 1) {
        num = n2;
        den = d2;
        return true;
    }
    const uint32_t least = (a2 % 2 == 0 && d0 * f1 > f2 * d1) ? a2 / 2 : a2 / 2 + 1;
    // Halfway to the neighbouring float on the side of the error.
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    bits += uint64_t{n1} * den > uint64_t{num} * d1 ? uint32_t(-1) : 1u;
    float neighbour = 0;
    std::memcpy(&neighbour, &bits, sizeof bits);
    const double r2 = (static_cast<double>(neighbour) + value) / 2;
    const double yn = n0 - r2 * d0, yd = r2 * d1 - n1;
    const double rounded = (yn + yd) / yd; // a ceiling
    uint32_t ax = rounded > 0 && rounded < 4294967296.0 ? static_cast<uint32_t>(rounded) : least;
    if (ax < least)
        ax = least;
    num = n0 + n1 * ax;
    den = d0 + d1 * ax;
    return true;
}

} // namespace

void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den) {
    const float n = static_cast<float>(fps);
    if (!(n > 0))
        throw ScriptError(who + ": FPS must be greater then 0.\n");
    // Beyond this the products below leave 32 bits.
    if (n > 4.0e6f)
        throw ScriptError(who + ": FPS value is out of range.\n");
    // The NTSC ratios, in single-precision arithmetic as AviSynth+ computes them.
    uint32_t u = static_cast<uint32_t>(n * 1001 + 0.5);
    for (uint32_t base : {30000u, 24000u}) {
        if (static_cast<float>((u / base * base) / 1001.0) == n) {
            num = u;
            den = 1001;
            return;
        }
    }
    if (n < 14.986) {
        for (uint32_t base : {30000u, 24000u}) {
            const double q = static_cast<float>(base) / n + 0.5;
            if (q >= 4294967296.0)
                continue; // far too slow a rate to be an NTSC factor
            u = static_cast<uint32_t>(q);
            if (static_cast<float>(base / static_cast<double>(u / 1001 * 1001)) == n) {
                num = base;
                den = u;
                return;
            }
        }
    }
    if (!SmallestFraction(n, num, den))
        throw ScriptError(who + ": FPS value is out of range.\n");
}

} // namespace bv::builtin
