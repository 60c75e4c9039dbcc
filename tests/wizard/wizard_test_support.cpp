#include "wizard/wizard_test_support.h"

#include "support/stand_in_probe.h"
#include "wizard/centered_tab_bar.h"

#include <QFile>
#include <QTabWidget>

namespace bv::test {

TestWindow::TestWindow(RunController::RunFunction run, std::function<bool()> shutdown) {
    WizardServices services;
    services.dialogs = dialogs;
    services.run = std::move(run);
    // Never the real request to power off: a test that reaches it answers "refused".
    services.shutdownSystem = shutdown ? std::move(shutdown) : [] { return false; };
    window = std::make_unique<WizardWindow>(services);
}

void TestWindow::Click(const char* name) const {
    QAbstractButton* button = Find(name);
    if (button == nullptr)
        qFatal("no button %s", name);
    button->click();
}

QStringList TestWindow::VisibleTabs() const {
    QStringList tabs;
    QTabWidget* pages = window->Pages();
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->isTabVisible(i))
            tabs << pages->tabText(i);
    }
    return tabs;
}

int TestWindow::CurrentPage() const {
    return window->Pages()->currentIndex();
}

void TestWindow::LoadSource1(const QString& path) const {
    dialogs->openAnswers.push_back(path);
    Click("Button28");
}

void TestWindow::AddSource2(const QString& path) const {
    dialogs->openAnswers.push_back(path);
    Click("Button27");
}

void TestWindow::WalkToJobSummary() const {
    for (const char* next : {"Button1", "Button6", "Button10", "Button13", "Button2"})
        Click(next);
}

QString WriteClipScript(const QTemporaryDir& dir, const QString& name, int frames, int width, int height,
                        const char* pixelType, const char* options) {
    QString line = QStringLiteral("clip %1 %2 %3 %4")
                       .arg(QString::fromLatin1(pixelType))
                       .arg(width)
                       .arg(height)
                       .arg(frames);
    if (*options != '\0')
        line += QLatin1Char(' ') + QString::fromLatin1(options);
    return WriteTextFile(dir.filePath(name), (line + QStringLiteral("\r\n")).toUtf8());
}

int OpenStandInClips() {
    return standin::LoadedCounters().clipsOpen;
}

QString WriteTextFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace bv::test
