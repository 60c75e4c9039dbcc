#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "i18n/qt/window_translation.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace bv {
namespace {

class WindowTranslationTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }

    // A catalog with a chain: "Next" -> "Weiter" -> "Further". A second walk over translated
    // texts would show as "Further".
    TextTranslation Dictionary() {
        return [this](const QString& english) {
            lookups_ << english;
            return dictionary_.value(english, english);
        };
    }

    QMap<QString, QString> dictionary_{
        {"Brevanta", "Brevanta"},
        {"Next", "Weiter"},
        {"Weiter", "Further"},
        {"Welcome", "Willkommen"},
        {"Results", "Ergebnisse"},
        {"Source File 1", "Quelldatei 1"},
        {"Storage Path", "Speicherpfad"},
        {"Preview", "Vorschau"},
        {"Start Frame:", "Startframe:"},
        {"Settings:", "Einstellungen:"},
        {"Edit2", "Bearbeiten2"},
        {"AviSynth files", "AviSynth-Dateien"},
        {"All files", "Alle Dateien"},
        {"Line one", "Zeile eins"},
        {"Line three", "Zeile drei"},
        {"Quit", "Beenden"},
        {"Frame", "Frame"},
        {"Item", "Eintrag"},
    };
    QStringList lookups_;
};

TEST_F(WindowTranslationTest, TranslatesEveryTextOfTheWindowButNames) {
    QDialog window;
    window.setWindowTitle("Brevanta");
    auto* tabs = new QTabWidget(&window);
    auto* welcome = new QWidget;
    tabs->addTab(welcome, "Welcome");
    tabs->addTab(new QWidget, "Results");
    tabs->setTabVisible(1, false); // hidden tabs keep their captions for later
    auto* next = new QPushButton("Next", welcome);
    next->setToolTip("Preview");
    auto* group = new QGroupBox("Source File 1", welcome);
    auto* preview = new QCheckBox("Preview", group);
    auto* label = new QLabel("Start Frame:", group);
    auto* edit = new QLineEdit(group);
    edit->setObjectName("Edit2"); // a name that is also a message id stays a name
    edit->setPlaceholderText("Storage Path");
    auto* combo = new QComboBox(group);
    combo->addItems({"AviSynth files", "All files"});
    combo->setCurrentIndex(1);
    auto* list = new QListWidget(group);
    list->addItems({"Item", "/videos/Item"});
    auto* memo = new QPlainTextEdit(group);
    memo->setPlainText("Line one\n\nLine three\nLine four");
    auto* rich = new QTextEdit(group);
    rich->setHtml("<p><b>Line one</b></p><p>Untouched</p>");
    auto* tree = new QTreeWidget(group);
    tree->setHeaderLabels({"Frame", "Item"});
    new QTreeWidgetItem(tree, QStringList{"Item", "Next"});
    auto* quit = new QAction("Quit", &window);

    TranslateWindow(&window, Dictionary());

    EXPECT_EQ(window.windowTitle(), "Brevanta");
    EXPECT_EQ(tabs->tabText(0), "Willkommen");
    EXPECT_EQ(tabs->tabText(1), "Ergebnisse");
    EXPECT_EQ(next->text(), "Weiter");
    EXPECT_EQ(next->toolTip(), "Vorschau");
    EXPECT_EQ(group->title(), "Quelldatei 1");
    EXPECT_EQ(preview->text(), "Vorschau");
    EXPECT_EQ(label->text(), "Startframe:");
    EXPECT_EQ(edit->objectName(), "Edit2");
    EXPECT_EQ(edit->placeholderText(), "Speicherpfad");
    EXPECT_EQ(combo->itemText(0), "AviSynth-Dateien");
    EXPECT_EQ(combo->itemText(1), "Alle Dateien");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(list->item(0)->text(), "Eintrag");
    EXPECT_EQ(list->item(1)->text(), "/videos/Item");
    EXPECT_EQ(memo->toPlainText(), "Zeile eins\n\nZeile drei\nLine four");
    EXPECT_FALSE(memo->document()->isUndoAvailable()) << "the translation must not be undoable";
    EXPECT_EQ(rich->toPlainText(), "Zeile eins\nUntouched");
    EXPECT_TRUE(rich->document()->firstBlock().begin().fragment().charFormat().font().bold());
    EXPECT_EQ(tree->headerItem()->text(1), "Eintrag");
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Eintrag");
    EXPECT_EQ(tree->topLevelItem(0)->text(1), "Weiter");
    EXPECT_EQ(quit->text(), "Beenden");
    EXPECT_FALSE(lookups_.contains("Edit2")) << "objectName was looked up";
    EXPECT_FALSE(lookups_.contains("")) << "an empty text was looked up";
}

TEST_F(WindowTranslationTest, MarkedWindowsAndObjectsAreWalkedOnce) {
    QWidget window;
    auto* next = new QPushButton("Next", &window);
    auto* inner = new QWidget(&window);
    auto* innerNext = new QPushButton("Next", inner);
    auto* innerMarker = new QObject(inner);
    innerMarker->setObjectName(kTranslatedMarker);

    TranslateWindow(&window, Dictionary());
    EXPECT_EQ(next->text(), "Weiter");
    EXPECT_EQ(innerNext->text(), "Next") << "an object that carries the mark is not walked again";
    const auto markers = window.findChildren<QObject*>(kTranslatedMarker, Qt::FindDirectChildrenOnly);
    EXPECT_EQ(markers.size(), 1);

    lookups_.clear();
    TranslateWindow(&window, Dictionary());
    EXPECT_EQ(next->text(), "Weiter");
    EXPECT_TRUE(lookups_.isEmpty());
    EXPECT_EQ(window.findChildren<QObject*>(kTranslatedMarker, Qt::FindDirectChildrenOnly).size(), 1);
}

} // namespace
} // namespace bv
