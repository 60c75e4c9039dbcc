// Serves Qt's own texts (message box buttons, file dialogs) from the program's catalog.
#pragma once

#include <QTranslator>

namespace bv {

// Answers only where the catalog has a translation, so that Qt asks its other translators next.
class CatalogTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};

} // namespace bv
