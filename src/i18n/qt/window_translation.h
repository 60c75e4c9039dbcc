// Translating a window once, when it is built: every text its layout set, in every object it owns.
#pragma once

#include <QString>
#include <functional>
#include <string_view>

class QObject;

namespace bv {

using TextTranslation = std::function<QString(const QString&)>;

// Translate (the program's catalog) for Qt texts.
QString TranslateQString(const QString& english);
QString QTranslate(std::string_view english);

// The child that marks an object as translated.
inline constexpr const char* kTranslatedMarker = "GNUgettextMarker";

// Walks `window` and every object it owns, replacing each non-empty text with its translation
// where that differs: string properties (never objectName), the items of tab bars, tool boxes,
// list, combo, tree and table widgets, and each line of plain and rich text editors. Then marks
// the window; objects that carry the mark are not walked again. Throws std::runtime_error
// naming the class and the property when a property refuses its translation.
void TranslateWindow(QObject* window, const TextTranslation& translate = TranslateQString);

} // namespace bv
