// Where the catalog of a language lives beside the program.
#pragma once

#include <string>

namespace bv {

// programFolder + "locale/<code>/LC_MESSAGES/default.mo" when that file exists, else the same
// with the first two characters of the code (de_DE falls back to de); empty when neither exists.
// programFolder ends with "/".
std::string FindCatalog(const std::string& programFolder, const std::string& languageCode);

} // namespace bv
