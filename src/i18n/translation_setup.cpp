#include "i18n/translation_setup.h"

#include <cstdint>

#include "i18n/catalog_location.h"

namespace bv {

namespace {

// A catalog that claims UTF-8 may still hold broken bytes; such a text would reach the
// window and the result files, so the English text is used instead.
bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra;
        uint32_t min;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

std::string TranslationSetup::Translate(std::string_view english) const {
    if (catalog == nullptr || english.empty())
        return std::string(english);
    const std::optional<std::string_view> found = catalog->Find(english);
    if (!found || found->empty() || !IsValidUtf8(*found))
        return std::string(english);
    return std::string(*found);
}

TranslationSetup SetUpTranslation(const std::string& programFolder, const std::string& language) {
    TranslationSetup setup;
    setup.language = language;
    setup.catalogPath = FindCatalog(programFolder, language);
    if (setup.catalogPath.empty())
        return setup;
    std::shared_ptr<MoCatalog> catalog;
    try {
        catalog = std::make_shared<MoCatalog>(MoCatalog::Load(setup.catalogPath));
    } catch (const CatalogError& e) {
        setup.problem = TranslationProblem{TranslationProblem::Kind::InvalidCatalog, "Brevanta", e.what()};
        return setup;
    }
    if (!IsUtf8ContentType(HeaderContentType(catalog->Header()))) {
        setup.problem = TranslationProblem{
            TranslationProblem::Kind::NotUtf8, "Localization problem",
            "The translation for the language code " + language + " (in " + setup.catalogPath +
                ") does not have charset=utf-8 in its Content-Type. Translations are turned off."};
        return setup;
    }
    setup.catalog = std::move(catalog);
    return setup;
}

} // namespace bv
