// The one translation function every user-visible text passes through, and its start-up.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "i18n/translation_setup.h"

namespace bv {

// Chooses the language (LANG, then the user's locale) and opens its catalog found beside the
// program (programFolder ends with "/"). Call once at start-up, before the window exists and
// before any other thread translates; later calls change nothing and return nothing. Returns
// the problem the front end shows (a message box, or a line on standard error); translation
// is then off and every text stays in English.
std::optional<TranslationProblem> InitTranslation(const std::string& programFolder);

// The translation of `english` (a message id, UTF-8), or `english` itself when there is none.
// Before InitTranslation nothing is translated. Safe to call from any thread.
std::string Translate(std::string_view english);

// The language code whose catalog is in use; empty while nothing is translated.
std::string ActiveLanguage();

// Marks a caption for the catalog's message ids where it is written down, for texts that are
// translated later (the window's walk translates its captions once it is built).
constexpr const char* Caption(const char* english) {
    return english;
}

} // namespace bv
