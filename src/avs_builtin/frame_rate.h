// Frame rates given as floats, turned into the fractions clips carry.
#pragma once

#include <cstdint>
#include <string>

namespace bv::builtin {

// The simplest fraction that reads back as the same single-precision float (23.976 ->
// 2997/125, 29.97 -> 2997/100), as AviSynth converts float rates. Throws ScriptError "<who>: ..." for rates
// that are not positive.
void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den);

} // namespace bv::builtin
