// The front end's start of translation: before the window exists, after the QApplication.
#pragma once

#include <string>

class QWidget;

namespace bv {

// Chooses the language and opens its catalog beside the program (InitTranslation); shows the
// problem in a message box when the catalog cannot be used. While a catalog is in use, Qt's
// own texts are translated too: from the catalog first, then from Qt's translations of the
// language where they are installed.
void StartTranslation(const std::string& programFolder, QWidget* parent = nullptr);

} // namespace bv
