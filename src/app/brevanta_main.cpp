// The desktop program: one wizard window.
#include "i18n/qt/translation_start.h"
#include "platform/memory_tuning.h"
#include "platform/program_folder.h"
#include "platform/runtime_folder.h"
#include "wizard/window_font.h"
#include "wizard/wizard_window.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    bv::KeepFrameMemory(argv);
    bv::EnsureRuntimeFolder();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevanta"));
    // Once installed, the desktop shows the menu entry's name and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("brevanta"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("brevanta")));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(bv::WindowFont()); // the message boxes and dialogs too

    // The language is chosen before the window exists; the window translates itself once.
    bv::StartTranslation(bv::ProgramFolder());
    bv::WizardWindow window;
    window.show();
    return QApplication::exec();
}
