#include "i18n/qt/catalog_translator.h"

#include <string>

#include "i18n/translate.h"

namespace bv {

QString CatalogTranslator::translate(const char*, const char* sourceText, const char*, int) const {
    if (sourceText == nullptr || *sourceText == '\0')
        return {};
    const std::string translated = Translate(sourceText);
    return translated == sourceText ? QString() : QString::fromStdString(translated);
}

} // namespace bv
