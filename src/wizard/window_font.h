// The font of the window and its dialogs.
#pragma once

#include <QFont>
#include <QStringList>

namespace bv {

// 11 pixels high, in a face with Arial's narrow metrics where it is installed, so that the
// captions of the fixed layout fit in every language the catalogs bring.
QFont WindowFont();

} // namespace bv
