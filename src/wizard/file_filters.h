// The name filters of the window's file dialogs, in Qt's syntax.
#pragma once

#include "wizard/ui_text.h"

#include <QString>

namespace bv {

inline QString AviSynthFilesFilter() {
    return Tr("AviSynth files") + QStringLiteral(" (*.avs)");
}
// Every file, with or without an extension.
inline QString AllFilesFilter() {
    return Tr("All files") + QStringLiteral(" (*)");
}
inline QString TextFilesFilter() {
    return Tr("Text files") + QStringLiteral(" (*.txt)");
}
inline QString JpgFilesFilter() {
    return Tr("jpg files") + QStringLiteral(" (*.jpg)");
}

} // namespace bv
