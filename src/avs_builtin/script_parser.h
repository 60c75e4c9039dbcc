// Parses script text into statements. Errors read like AviSynth's:
// "Script error: expected a , or )" + "\n(file, line L, column C)".
#pragma once

#include "avs_builtin/script_ast.h"

#include <string>
#include <string_view>

namespace bv::builtin {

// Deepest nesting of parentheses and operators a script may use; deeper input is refused
// instead of exhausting the stack.
inline constexpr int kMaxExpressionDepth = 100;

// Throws ScriptError (already located) on a syntax error.
ParsedScript ParseScript(std::string_view text, const std::string& fileName);

} // namespace bv::builtin
