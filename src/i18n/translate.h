// The one translation function every user-visible text passes through.
#pragma once

#include <string>
#include <string_view>

namespace bv {

// The translation of `english` (a message id, UTF-8), or `english` itself when there is none.
std::string Translate(std::string_view english);

} // namespace bv
