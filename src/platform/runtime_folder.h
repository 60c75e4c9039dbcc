// The per-user runtime folder Qt expects in XDG_RUNTIME_DIR.
#pragma once

namespace bv {

// Where XDG_RUNTIME_DIR is not set (root shells, containers, CI), Qt warns at every start and
// then uses /tmp/runtime-<user>. Sets the variable to that folder, created with mode 0700,
// so Qt starts quietly. Call before any other thread exists.
void EnsureRuntimeFolder();

} // namespace bv
