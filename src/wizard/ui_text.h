// Small bridges between the engine's UTF-8 strings and the window's QStrings.
#pragma once

#include "i18n/translate.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace bv {

// The translation of an English message id, for the window.
inline QString Tr(std::string_view english) {
    return QString::fromStdString(Translate(english));
}

inline std::string ToStd(const QString& text) {
    return text.toStdString();
}

inline QStringList ToQStringList(const std::vector<std::string>& lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        out << QString::fromStdString(line);
    return out;
}

inline std::vector<std::string> ToStdLines(const QStringList& lines) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines)
        out.push_back(line.toStdString());
    return out;
}

// The lines of a multi-line box as a list of lines: no text is no line, and a final line
// break does not start another line.
QStringList TextLines(const QString& text);

} // namespace bv
