#include "i18n/translate.h"

namespace bv {

// Returns the message id until catalogs are read.
std::string Translate(std::string_view english) { return std::string(english); }

} // namespace bv
