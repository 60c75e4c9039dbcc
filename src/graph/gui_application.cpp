#include "graph/gui_application.h"

#include "platform/runtime_folder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <mutex>
#include <stdexcept>

namespace bv {

void EnsureGuiApplication() {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        if (qobject_cast<QGuiApplication*>(existing) == nullptr)
            throw std::runtime_error("Graph pages need a QGuiApplication, but a non-GUI application exists");
        return;
    }
    // The command line overrides QT_QPA_PLATFORM, so a stray setting cannot make us reach for
    // a display. Qt keeps references to argc and argv, hence static storage.
    static int argc = 3;
    static char program[] = "brevanta";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, platformOption, platform, nullptr};
    EnsureRuntimeFolder();
    // Never deleted: tearing Qt down during static destruction would outlive Qt's own globals.
    new QGuiApplication(argc, argv);
}

} // namespace bv
