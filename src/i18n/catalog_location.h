// Where the catalog of a language lives: beside the program in the build folder, in
// share/locale/ once installed (platform/program_folder.h).
#pragma once

#include <string>

namespace bv {

// The catalog of <code> (programFolder + "locale/<code>/LC_MESSAGES/default.mo" in the build
// folder, P/share/locale/<code>/LC_MESSAGES/brevanta.mo once installed) when it exists, else the same
// with the first two characters of the code (de_DE falls back to de); empty when neither exists.
// programFolder ends with "/".
std::string FindCatalog(const std::string& programFolder, const std::string& languageCode);

} // namespace bv
