// Frame rates given as floats, turned into the fractions clips carry.
#pragma once

#include <cstdint>
#include <string>

namespace bv::builtin {

// A fraction equal to `fps` to a millionth; the NTSC rates (23.976, 29.97, ...) exactly as
// 24000/1001 and so on. Throws ScriptError "<who>: ..." for rates that are not positive.
void FloatToFps(const std::string& who, double fps, uint32_t& num, uint32_t& den);

} // namespace bv::builtin
