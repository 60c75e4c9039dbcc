// Joining clips end to end (`a + b` in a script, several files in AviSource).
#pragma once

#include "avs_builtin/clip.h"

namespace bv::builtin {

// Throws ScriptError when size or format differ or the result would be too long.
ClipPtr MakeSplice(ClipPtr first, ClipPtr second);

} // namespace bv::builtin
