// The program folder: the folder of the running executable. Templates, catalogs, the built-in
// frame server and the generated scripts are found there.
#pragma once

#include <string>

namespace bv {

// Folder of the executable, ending with "/". Read from /proc/self/exe once.
const std::string& ProgramFolder();

// Folder for files the program generates: the program folder when it is writable, else
// $XDG_CACHE_HOME/brevanta/ (or ~/.cache/brevanta/), created on demand. Ends with "/".
std::string GeneratedFilesFolder();

} // namespace bv
