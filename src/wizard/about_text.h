// The text of the About box.
#pragma once

#include <QString>

namespace bv {

class AvsLibrary;

inline constexpr const char* kVersionText = "2007.11.13";

// `library` is the AviSynth library in use, or null when none could be loaded.
QString AboutText(const AvsLibrary* library);

} // namespace bv
