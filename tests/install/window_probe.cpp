// Preloaded into an installed `brevanta` (LD_PRELOAD): once the window is up, prints the title
// and the visible tab and button captions, one a line, and ends the program. Lets a test read
// the real program's window without changing the program.
#include <QAbstractButton>
#include <QApplication>
#include <QTabBar>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void Print(const QString& text) { std::printf("%s\n", text.toUtf8().constData()); }

void ProbeWindow() {
    QTimer::singleShot(0, qApp, [] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible())
                continue;
            Print(QStringLiteral("title: ") + window->windowTitle());
            for (const QTabBar* bar : window->findChildren<QTabBar*>())
                for (int i = 0; i < bar->count(); ++i)
                    if (bar->isTabVisible(i))
                        Print(QStringLiteral("tab: ") + bar->tabText(i));
            for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
                if (button->isVisible() && !button->text().isEmpty())
                    Print(QStringLiteral("button: ") + button->text());
        }
        std::fflush(stdout);
        QApplication::exit(0);
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(ProbeWindow)
