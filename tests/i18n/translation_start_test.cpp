// The window's start of translation. Each suite runs in a process of its own (the language is
// chosen once per program run), with LANG=de_DE.UTF-8.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "i18n/qt/translation_start.h"
#include "i18n/qt/window_translation.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace bv {
namespace {

struct Box {
    QString title, text;
};

// Starts translation and answers the message box it may show; returns the boxes seen.
std::vector<Box> Start(const std::string& programFolder) {
    std::vector<Box> boxes;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&boxes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.push_back({box->windowTitle(), box->text()});
            box->button(QMessageBox::Ok)->click();
        }
    });
    timer.start(20);
    StartTranslation(programFolder);
    return boxes;
}

class TranslationStartTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
};

using GermanStart = TranslationStartTest;
using Latin1Start = TranslationStartTest;

TEST_F(GermanStart, WindowAndQtTextsInGermanWithoutAMessage) {
    EXPECT_TRUE(Start(ProgramFolder()).empty());
    EXPECT_EQ(ActiveLanguage(), "de_DE");

    QWidget window;
    auto* next = new QPushButton("Next", &window);
    auto* label = new QLabel("Highest Q in Y:", &window);
    TranslateWindow(&window);
    EXPECT_EQ(next->text(), "Weiter");
    EXPECT_EQ(label->text(), "Höchstes Q in Y:");

    // Qt's own texts: the catalog first, then Qt's German translations.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "All files"), "Alle Dateien");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "No such text"), "No such text");
}

TEST_F(Latin1Start, CatalogNotInUtf8ShowsTheMessageAndStaysEnglish) {
    const std::string folder = BV_LATIN1_PROGRAM_FOLDER;
    const std::vector<Box> boxes = Start(folder);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Localization problem");
    EXPECT_EQ(boxes[0].text.toStdString(),
              "The translation for the language code de_DE (in " + folder +
                  "locale/de/LC_MESSAGES/default.mo) does not have charset=utf-8 in its Content-Type. "
                  "Translations are turned off.");
    EXPECT_EQ(ActiveLanguage(), "");
    EXPECT_EQ(Translate("Frame Size"), "Frame Size");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

} // namespace
} // namespace bv
