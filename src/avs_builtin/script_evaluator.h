// Evaluates parsed scripts: statements, `last`, `return`, operators and calls.
#pragma once

#include "avs_builtin/script_value.h"

#include <string>
#include <string_view>

namespace bv::builtin {

class ScriptEngine;

// Strings longer than this are refused: repeated doubling would otherwise exhaust memory.
inline constexpr size_t kMaxStringLength = 1u << 20;

// Parses and evaluates `text`. The value is the one given to `return`, else that of a final
// expression statement, else `last`. Throws ScriptError carrying "(fileName, line N)".
Value EvaluateScript(ScriptEngine& environment, std::string_view text, const std::string& fileName);

} // namespace bv::builtin
