// Drawing text on a QImage needs a QGuiApplication (fonts come from the platform plugin).
#pragma once

namespace bv {

// Makes sure a QGuiApplication exists. When there is none yet, creates one on Qt's
// "offscreen" platform, which needs no display and serves QPainter and fonts; it lives
// until the process ends. Safe to call from any thread and more than once; best called
// once from main() before other threads start. Throws std::runtime_error when a plain
// QCoreApplication already exists, since no QGuiApplication can then be made.
void EnsureGuiApplication();

} // namespace bv
