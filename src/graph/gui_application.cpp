#include "graph/gui_application.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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
    // Without XDG_RUNTIME_DIR Qt warns on every start of the command line, then uses
    // /tmp/runtime-<user>; choose that folder ourselves, quietly.
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(::getuid());
        ::mkdir(runtime.c_str(), 0700);
        struct stat info {};
        if (::stat(runtime.c_str(), &info) == 0 && info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700)
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    }
    // Never deleted: tearing Qt down during static destruction would outlive Qt's own globals.
    new QGuiApplication(argc, argv);
}

} // namespace bv
