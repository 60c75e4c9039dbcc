// Frame rates given as floats, turned into the fractions clips carry.
#pragma once

#include <cstdint>
#include <string>

namespace bv::builtin {

// A float frame rate as AviSynth+ 3.7 turns it into a fraction: taken as a single-precision
// float, a multiple or factor of 30000/1001 or 24000/1001 that is the same float becomes that
// ratio, anything else the fraction with the smallest denominator that is the same float
// (23.976 -> 2997/125, 29.97 -> 2997/100). Not reduced; throws ScriptError in AviSynth+'s
// words ("<who>: FPS must be greater then 0.") for rates it cannot take.
void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den);

} // namespace bv::builtin
