// The translation state of a program run: the language, its catalog, and what went wrong.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "i18n/mo_catalog.h"

namespace bv {

// Something the user is told once at start-up; the program then goes on in English.
struct TranslationProblem {
    enum class Kind {
        NotUtf8,        // the catalog's charset is not UTF-8
        InvalidCatalog, // the catalog cannot be read or is not a catalog
    };
    Kind kind;
    std::string title;
    std::string text;
};

struct TranslationSetup {
    std::string language;                      // the chosen code; "C" for none
    std::string catalogPath;                   // the catalog found, empty when none
    std::shared_ptr<const MoCatalog> catalog;  // null while translation is off
    std::optional<TranslationProblem> problem; // set when a catalog was found but is not used

    // The translation of `english`, or `english` itself when there is none, when translation
    // is off, or when the catalog's text is not valid UTF-8. The empty text stays empty (its
    // catalog entry is the header, not a translation).
    std::string Translate(std::string_view english) const;
};

// Finds and opens the catalog of `language` beside the program. No catalog: no translation and
// no problem. A catalog that cannot be read, is not a catalog, or is not UTF-8: no translation,
// with the problem to show.
TranslationSetup SetUpTranslation(const std::string& programFolder, const std::string& language);

} // namespace bv
