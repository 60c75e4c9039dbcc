// The window as a user walks it: pages and tabs, sources and templates, the summary, the
// options, quitting and saving. AviSynth is a stand-in that answers by the script's first line.
#include "analysis/template_script.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"
#include "player/preview_player.h"
#include "wizard/about_text.h"
#include "wizard/advanced_settings_page.h"
#include "wizard/analyzation_page.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/load_source1_page.h"
#include "wizard/results_page.h"
#include "wizard/wizard_test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace bv;
using namespace bv::test;

namespace {

QString Script1() {
    return QString::fromStdString(GeneratedScriptPath(kGeneratedScript1));
}
QString Script2() {
    return QString::fromStdString(GeneratedScriptPath(kGeneratedScript2));
}

QStringList BoxLines(const TestWindow& w, const char* name) {
    return w.Find<QPlainTextEdit>(name)->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

class WizardPagesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The German run of the layout check: the language is chosen once per process.
        if (qEnvironmentVariableIsSet("BV_WIZARD_TEST_TRANSLATE")) {
            QVERIFY(!InitTranslation(ProgramFolder()).has_value());
            QCOMPARE(ActiveLanguage(), std::string("de_DE"));
        }
    }

    void init() {
        QFile::remove(Script1());
        QFile::remove(Script2());
    }

    void newWindowShowsOnlyWelcome() {
        TestWindow w;
        QCOMPARE(w.window->size(), QSize(714, 544));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Brevanta"));
        QCOMPARE(w.VisibleTabs(), QStringList{QStringLiteral("Welcome")});
        QCOMPARE(w.CurrentPage(), 0);
        QVERIFY(!w.Find("Button24")->isEnabled());
        QVERIFY(!w.Find("Button6")->isEnabled());
        QVERIFY(!w.Find("Button10")->isEnabled());
        QVERIFY(!w.window->ClosingForShutdown());
        QCOMPARE(BoxLines(w, "Memo2"),
                 (QStringList{
                     QStringLiteral("Welcome to Brevanta. You can analyze and compare the encoding quality "
                                    "from a lot of video encoders."),
                     QString(),
                     QStringLiteral("This is done by a frame by frame compare between the original video and "
                                    "the encoded video.")}));
        QCOMPARE(BoxLines(w, "Memo5").size(), 2);
        QVERIFY(BoxLines(w, "Memo8")
                    .constFirst()
                    .startsWith(QStringLiteral("Here can you enter your storage path.")));
        QCOMPARE(w.Find<QPlainTextEdit>("Memo1")->toPlainText(),
                 QStringLiteral("Here can you enter your original video file."));
        // The job settings at their defaults.
        QVERIFY(w.Find<QLineEdit>("Edit3")->text().isEmpty());
        QVERIFY(w.Find<QLineEdit>("Edit4")->text().isEmpty());
        QVERIFY(w.Find<QRadioButton>("RadioButton1")->isChecked());
        QVERIFY(w.Find("CheckBox8")->isChecked() && w.Find("CheckBox2")->isChecked());
        for (const char* box :
             {"CheckBox5", "CheckBox3", "CheckBox1", "CheckBox9", "CheckBox4", "CheckBox6", "CheckBox7"})
            QVERIFY2(!w.Find(box)->isChecked(), box);
        for (const char* locked : {"Memo3", "Memo7"})
            QVERIFY(!w.Find<QWidget>(locked)->isEnabled());
        for (const char* locked : {"Button35", "Button34", "Button36", "Button31", "Button33", "Button37"})
            QVERIFY(!w.Find(locked)->isEnabled());
        for (const char* never : {"Button21", "Button22", "Button20", "Button32"})
            QVERIFY(!w.Find(never)->isEnabled());
    }

    void tabsAppearWithNextAndStayWhenWalkingBack() {
        QTemporaryDir dir;
        TestWindow w;
        w.Click("Button1");
        QCOMPARE(w.VisibleTabs(), (QStringList{QStringLiteral("Welcome"), QStringLiteral("Load Source 1")}));
        QCOMPARE(w.CurrentPage(), 1);
        w.LoadSource1(WriteClipScript(dir, QStringLiteral("a.avs")));
        w.Click("Button6");
        w.AddSource2(WriteClipScript(dir, QStringLiteral("b.avs")));
        w.Click("Button10");
        w.Click("Button13");
        w.Click("Button2");
        QCOMPARE(w.VisibleTabs(),
                 (QStringList{QStringLiteral("Welcome"), QStringLiteral("Load Source 1"),
                              QStringLiteral("Load Sources 2"), QStringLiteral("Advanced Settings"),
                              QStringLiteral("Saving Your Files"), QStringLiteral("Job Summary")}));
        QCOMPARE(w.CurrentPage(), 5);

        for (const char* previous : {"Button15", "Button16", "Button12", "Button8"})
            w.Click(previous);
        QCOMPARE(w.CurrentPage(), 1);
        QCOMPARE(w.VisibleTabs().size(), 6);

        // A click on a tab already shown selects its page.
        w.window->show();
        QTabBar* bar = w.window->Pages()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
        QCOMPARE(w.CurrentPage(), 4);
        w.window->hide();
    }

    void nextOnSourcePagesFollowsTheChoices() {
        QTemporaryDir dir;
        TestWindow w;
        // Cancelled: nothing changes.
        w.dialogs->openAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button28");
        QVERIFY(!w.Find("Button6")->isEnabled());
        QVERIFY(w.Find<QLineEdit>("Edit1")->text().isEmpty());

        // AviSynth refuses: its text is shown, the path and kind stay, "Next" does not open.
        const QString broken = WriteTextFile(dir.filePath(QStringLiteral("broken.avs")),
                                             "error Script error: there is no function named \"Foo\"\r\n");
        w.LoadSource1(broken);
        QCOMPARE(w.dialogs->errorTexts,
                 QStringList{QStringLiteral("Script error: there is no function named \"Foo\"")});
        QCOMPARE(w.Find<QLineEdit>("Edit1")->text(), broken);
        QCOMPARE(w.window->Source1()->Source1Kind(), SourceKind::ScriptFile);
        QVERIFY(w.Find<QPlainTextEdit>("Memo10")->toPlainText().isEmpty());
        QVERIFY(!w.Find("Button6")->isEnabled());
        QCOMPARE(w.window->Source1()->player->FileName(), broken);

        QVERIFY(!w.window->Source1()->player->IsOpen()); // silent about what AviSynth refused

        w.LoadSource1(WriteClipScript(dir, QStringLiteral("good.avs")));
        QVERIFY(w.Find("Button6")->isEnabled());
        // The player holds the source, paused on its first frame.
        QVERIFY(w.window->Source1()->player->IsOpen());
        QVERIFY(!w.window->Source1()->player->IsPlaying());
        QCOMPARE(w.window->Source1()->player->Picture().size(), QSize(320, 240));

        // Sources 2: the list decides.
        auto* list = w.Find<QListWidget>("ListBox1");
        w.AddSource2(broken);
        QCOMPARE(list->count(), 0);
        QVERIFY(!w.Find("Button10")->isEnabled());
        const QString b = WriteClipScript(dir, QStringLiteral("b.avs"));
        w.AddSource2(b);
        w.AddSource2(b); // the same file twice is listed twice
        QCOMPARE(list->count(), 2);
        QVERIFY(w.Find("Button10")->isEnabled());
        w.Click("Button26"); // nothing selected
        QCOMPARE(list->count(), 2);
        QVERIFY(w.Find("Button10")->isEnabled());
        list->item(0)->setSelected(true);
        w.Click("Button26");
        QCOMPARE(list->count(), 1);
        QVERIFY(w.Find("Button10")->isEnabled());
        list->item(0)->setSelected(true);
        w.Click("Button26");
        QCOMPARE(list->count(), 0);
        QVERIFY(!w.Find("Button10")->isEnabled());
        QVERIFY(w.dialogs->unexpected.isEmpty());
    }

    void sourceChoiceShowsVideoInformationAndResetsTheFrameRange() {
        QTemporaryDir dir;
        TestWindow w;
        auto* start = w.Find<QLineEdit>("Edit3");
        auto* end = w.Find<QLineEdit>("Edit4");
        const QString a = WriteClipScript(dir, QStringLiteral("a.avs"), 250, 320, 240, kYuy2);
        w.LoadSource1(a);
        QCOMPARE(BoxLines(w, "Memo10"),
                 (QStringList{QStringLiteral("File Name: ") + a, QStringLiteral("Start Frame: 0"),
                              QStringLiteral("End Frame: 249"), QString(), QStringLiteral("Video Info:"),
                              QStringLiteral("Frame Size: 320 x 240"), QStringLiteral("Color Space: YUY2")}));
        QCOMPARE(start->text(), QStringLiteral("0"));
        QCOMPARE(end->text(), QStringLiteral("-1"));

        start->setText(QStringLiteral("100"));
        end->setText(QStringLiteral("200"));
        // A colour space outside the four named ones shows nothing after the label.
        w.AddSource2(WriteClipScript(dir, QStringLiteral("b.avs"), 10, 64, 48, "A0000200"));
        QCOMPARE(BoxLines(w, "Memo11").constLast(), QStringLiteral("Color Space: "));
        QCOMPARE(BoxLines(w, "Memo11").at(2), QStringLiteral("End Frame: 9"));
        QCOMPARE(start->text(), QStringLiteral("0"));
        QCOMPARE(end->text(), QStringLiteral("-1"));

        // A failed choice leaves the range alone.
        start->setText(QStringLiteral("7"));
        w.LoadSource1(dir.filePath(QStringLiteral("missing.avs")));
        QCOMPARE(start->text(), QStringLiteral("7"));
    }

    void templatesGenerateTheScripts() {
        QTemporaryDir dir;
        TestWindow w;
        // Locked template: only scripts are offered.
        w.LoadSource1(WriteClipScript(dir, QStringLiteral("plain.avs")));
        QCOMPARE(w.dialogs->openRequests.back().filters,
                 QStringList{QStringLiteral("AviSynth files (*.avs)")});
        QVERIFY(!QFile::exists(Script1())); // a script is opened as it is
        QVERIFY(w.Find<QPlainTextEdit>("Memo10")->toPlainText().contains(QStringLiteral("YUY2")));

        w.Click("CheckBox6");
        auto* editor = w.Find<QPlainTextEdit>("Memo3");
        QVERIFY(editor->isEnabled());
        editor->setPlainText(
            QStringLiteral("clip A0000008 720 576 25 \"$FileName\" and \"$filename\"\n# $FILENAME"));
        // ".AVS" is not a script: the template writes one.
        const QString video = dir.filePath(QStringLiteral("my video.AVS"));
        w.LoadSource1(video);
        QCOMPARE(w.dialogs->openRequests.back().filters,
                 (QStringList{QStringLiteral("AviSynth files (*.avs)"), QStringLiteral("All files (*)")}));
        QCOMPARE(w.dialogs->openRequests.back().selectedFilter, 1);
        QCOMPARE(w.window->Source1()->Source1Kind(), SourceKind::TemplateScript);
        QCOMPARE(ReadFile(Script1()),
                 ("clip A0000008 720 576 25 \"" + video + "\" and \"" + video + "\"\r\n# " + video + "\r\n")
                     .toUtf8());
        QCOMPARE(w.window->Source1()->player->FileName(), Script1());
        QVERIFY(w.Find<QPlainTextEdit>("Memo10")->toPlainText().contains(QStringLiteral("720 x 576")));

        // The template is used for every file that is no script, switch or not.
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("clip 60000004 64 48 5 $FileName"));
        w.AddSource2(dir.filePath(QStringLiteral("enc.mkv")));
        QCOMPARE(ReadFile(Script2()),
                 ("clip 60000004 64 48 5 " + dir.filePath(QStringLiteral("enc.mkv")) + "\r\n").toUtf8());
        QCOMPARE(w.Find<QListWidget>("ListBox1")->count(), 1);

        // A quote in the name keeps it one string; a line break refuses it before any script is written.
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("clip 60000004 64 48 5 \"$FileName\""));
        const QString quoted = dir.filePath(QStringLiteral("a\").Crop(0,0,8,8)#.mkv"));
        w.AddSource2(quoted);
        QCOMPARE(ReadFile(Script2()), ("clip 60000004 64 48 5 \"\"\"" + quoted + "\"\"\"\r\n").toUtf8());
        QFile::remove(Script2());
        w.AddSource2(dir.filePath(QStringLiteral("a\nb.mkv")));
        QVERIFY(!QFile::exists(Script2()));
        QCOMPARE(w.dialogs->errorTexts,
                 QStringList{"This file name cannot be put into the AviSynth script: " +
                             dir.filePath(QStringLiteral("a?b.mkv")) + " (it holds a line break (LF))"});
        w.dialogs->errorTexts.clear();
        QCOMPARE(w.Find<QListWidget>("ListBox1")->count(), 2);
        delete w.Find<QListWidget>("ListBox1")->takeItem(1);

        // An empty template gives an empty script, and AviSynth's complaint is shown.
        w.Find<QPlainTextEdit>("Memo7")->clear();
        w.AddSource2(dir.filePath(QStringLiteral("other.mkv")));
        QCOMPARE(ReadFile(Script2()), QByteArray());
        QCOMPARE(w.dialogs->errorTexts.size(), 1);
        QVERIFY(w.dialogs->errorTexts.constFirst().startsWith(QStringLiteral("Script error")));
        QCOMPARE(w.Find<QListWidget>("ListBox1")->count(), 1);
    }

    void templateSwitchLocksTheEditorAndItsButtons() {
        TestWindow w;
        auto* editor = w.Find<QPlainTextEdit>("Memo7");
        w.Click("CheckBox7");
        for (const char* b : {"Button31", "Button33", "Button37"})
            QVERIFY(w.Find(b)->isEnabled());
        QVERIFY(editor->isEnabled());
        const QColor unlocked = editor->palette().color(QPalette::Base);
        editor->setPlainText(QStringLiteral("kept"));
        w.Click("CheckBox7");
        for (const char* b : {"Button31", "Button33", "Button37"})
            QVERIFY(!w.Find(b)->isEnabled());
        QVERIFY(!editor->isEnabled());
        QVERIFY(editor->palette().color(QPalette::Base) != unlocked);
        QCOMPARE(editor->toPlainText(), QStringLiteral("kept"));
    }

    void templateFilesLoadSaveAndDelete() {
        QTemporaryDir dir;
        TestWindow w;
        w.Click("CheckBox6");
        auto* editor = w.Find<QPlainTextEdit>("Memo3");

        // Nothing to save: no dialog at all.
        w.Click("Button34");
        QVERIFY(w.dialogs->saveRequests.empty());

        // Lines may end in CR LF, LF or CR.
        const QString mixed = WriteTextFile(dir.filePath(QStringLiteral("mixed.avs")), "a\r\nb\nc\rd");
        w.dialogs->openAnswers.push_back(mixed);
        w.Click("Button35");
        QCOMPARE(editor->toPlainText(), QStringLiteral("a\nb\nc\nd"));
        QVERIFY(w.dialogs->openRequests.back().folder.endsWith(QStringLiteral("/Templates")));
        QCOMPARE(w.dialogs->openRequests.back().filters,
                 QStringList{QStringLiteral("AviSynth files (*.avs)")});

        // A new name without extension gets ".avs"; every line ends with CR LF.
        w.dialogs->saveAnswers.push_back(dir.filePath(QStringLiteral("mine")));
        w.Click("Button34");
        QCOMPARE(w.dialogs->saveRequests.back().defaultSuffix, QStringLiteral("avs"));
        QCOMPARE(w.dialogs->saveRequests.back().folder, dir.path()); // where the last template was
        const QString saved = dir.filePath(QStringLiteral("mine.avs"));
        QCOMPARE(ReadFile(saved), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
        QVERIFY(w.dialogs->confirmTexts.isEmpty());

        // Over an existing file: asked first; No keeps the file, Yes replaces it.
        editor->setPlainText(QStringLiteral("FFVideoSource(\"$FileName\")"));
        w.dialogs->saveAnswers.push_back(saved);
        w.dialogs->confirmAnswers.push_back(false);
        w.Click("Button34");
        QCOMPARE(w.dialogs->confirmTexts,
                 QStringList{QStringLiteral("File already exists. Do you want to overwrite?")});
        QCOMPARE(ReadFile(saved), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
        w.dialogs->saveAnswers.push_back(saved);
        w.dialogs->confirmAnswers.push_back(true);
        w.Click("Button34");
        QCOMPARE(ReadFile(saved), QByteArray("FFVideoSource(\"$FileName\")\r\n"));

        // "Delete" empties the editor and leaves the file.
        w.Click("Button36");
        QVERIFY(editor->toPlainText().isEmpty());
        QVERIFY(QFile::exists(saved));

        // A file that cannot be read: the error is shown, the editor keeps its text.
        editor->setPlainText(QStringLiteral("keep me"));
        w.dialogs->openAnswers.push_back(dir.filePath(QStringLiteral("no-such.avs")));
        w.Click("Button35");
        QCOMPARE(w.dialogs->errorTexts.size(), 1);
        QCOMPARE(editor->toPlainText(), QStringLiteral("keep me"));
        QVERIFY(w.dialogs->unexpected.isEmpty());
    }

    void jobSummaryListsWhatTheRunWillUse() {
        QTemporaryDir dir;
        TestWindow w;
        const QString a = WriteClipScript(dir, QStringLiteral("a.avs"));
        const QString b = WriteClipScript(dir, QStringLiteral("b.avs"));
        const QString c = WriteClipScript(dir, QStringLiteral("c.avs"));
        w.LoadSource1(a);
        w.AddSource2(b);
        w.AddSource2(c);
        w.WalkToJobSummary();
        QCOMPARE(BoxLines(w, "Memo6"),
                 (QStringList{QStringLiteral("Source File 1: "), a, QStringLiteral("Source Files 2: "), b, c,
                              QString(), QStringLiteral("Start Frame: 0"), QStringLiteral("End Frame: -1"),
                              QStringLiteral("PC.601 (RGB [0..255] -> YUV [0..255])"),
                              QStringLiteral("PSNR, MSE and Euclidean Distance"), QStringLiteral("SSIM")}));
        QCOMPARE(w.Find<QPlainTextEdit>("Memo6")->textCursor().position(), 0);

        // A switched-on template without text, and a template with text but switched off,
        // add nothing. A storage path shows only with a logfile.
        w.Click("Button15");
        w.Click("CheckBox6");
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("ignored"));
        w.Find<QLineEdit>("Edit2")->setText(QStringLiteral("/tmp/out"));
        w.Find<QRadioButton>("RadioButton2")->setChecked(true);
        w.Click("CheckBox8");
        w.Click("Button2");
        QStringList lines = BoxLines(w, "Memo6");
        QCOMPARE(lines.mid(6), (QStringList{QStringLiteral("Start Frame: 0"), QStringLiteral("End Frame: -1"),
                                            QStringLiteral("REC.601 (RGB [0..255] -> YUV [16..235])"),
                                            QStringLiteral("SSIM")}));

        // Template text, the shutdown option (which forces the standard logfile) and the rest.
        w.Click("Button15");
        w.Find<QPlainTextEdit>("Memo3")->setPlainText(
            QStringLiteral("FFVideoSource(\"$FileName\")\nConvertToYUY2()"));
        for (const char* box : {"CheckBox4", "CheckBox3", "CheckBox1", "CheckBox9"})
            w.Click(box);
        w.Find<QLineEdit>("Edit3")->setText(QStringLiteral("10"));
        w.window->Pages()->setCurrentIndex(WizardWindow::kJobSummary); // as a click on the tab
        lines = BoxLines(w, "Memo6");
        QCOMPARE(
            lines.mid(6),
            (QStringList{QStringLiteral("AviSynth Template 1:"),
                         QStringLiteral("FFVideoSource(\"$FileName\")"), QStringLiteral("ConvertToYUY2()"),
                         QString(), QStringLiteral("Start Frame: 10"), QStringLiteral("End Frame: -1"),
                         QStringLiteral("REC.601 (RGB [0..255] -> YUV [16..235])"), QStringLiteral("SSIM"),
                         QStringLiteral("Standard Logfile"), QStringLiteral("Extended Logfile"),
                         QStringLiteral("Preview"), QStringLiteral("Low Process Priority"),
                         QStringLiteral("Storage Path: /tmp/out"),
                         QStringLiteral("Shutdown Computer when finished")}));
    }

    void shutdownOptionCouplesTheStandardLogfile() {
        TestWindow w;
        auto* standard = w.Find<QCheckBox>("CheckBox5");
        w.Click("CheckBox4");
        QVERIFY(standard->isChecked());
        QVERIFY(!standard->isEnabled());
        w.Click("CheckBox4");
        QVERIFY(!standard->isChecked());
        QVERIFY(standard->isEnabled());
        // Checked by the user before: unchecking the shutdown option still clears it.
        w.Click("CheckBox5");
        QVERIFY(standard->isChecked());
        w.Click("CheckBox4");
        w.Click("CheckBox4");
        QVERIFY(!standard->isChecked());
        QVERIFY(standard->isEnabled());
    }

    void quitQuestionKeepsOrRemovesTheGeneratedScripts() {
        QTemporaryDir dir;
        TestWindow w;
        w.window->show();
        w.Click("CheckBox6");
        w.Find<QPlainTextEdit>("Memo3")->setPlainText(QStringLiteral("clip 60000004 64 48 5 $FileName"));
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("clip 60000004 64 48 5 $FileName"));
        w.LoadSource1(dir.filePath(QStringLiteral("a.mkv")));
        w.AddSource2(dir.filePath(QStringLiteral("b.mkv")));
        QVERIFY(QFile::exists(Script1()) && QFile::exists(Script2()));

        w.dialogs->confirmAnswers.push_back(false);
        w.Click("Button3"); // "Cancel" of "Load Source 1"
        QCOMPARE(w.dialogs->confirmTexts,
                 QStringList{QStringLiteral("Do you really want to quit Brevanta?")});
        QVERIFY(w.window->isVisible());
        QVERIFY(QFile::exists(Script1()) && QFile::exists(Script2()));

        // Only one of them left: still no complaint, and the window goes.
        QFile::remove(Script1());
        w.dialogs->confirmAnswers.push_back(true);
        QVERIFY(w.window->close());
        QVERIFY(!w.window->isVisible());
        QVERIFY(!QFile::exists(Script1()) && !QFile::exists(Script2()));
        QVERIFY(w.dialogs->errorTexts.isEmpty());
    }

    void browseReplacesTheStoragePathOnlyWhenChosen() {
        TestWindow w;
        auto* path = w.Find<QLineEdit>("Edit2");
        path->setText(QStringLiteral("typed"));
        w.dialogs->folderAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button39");
        QCOMPARE(path->text(), QStringLiteral("typed"));
        QCOMPARE(w.dialogs->folderCaptions,
                 QStringList{QStringLiteral("Select a folder in the list below, then click OK.")});
        w.dialogs->folderAnswers.push_back(QStringLiteral("/srv/results"));
        w.Click("Button39");
        QCOMPARE(path->text(), QStringLiteral("/srv/results"));
    }

    void resultsSaveProposesStampedNames() {
        QTemporaryDir dir;
        TestWindow w;
        ResultsPage* results = w.window->Results();
        results->stampClock = [] { return QStringLiteral("20071113_140509"); };
        results->SetTexts({QStringLiteral("a.mkv"), QStringLiteral("Q in Y: 0,9")}, {});

        const QString target = dir.filePath(QStringLiteral("report"));
        w.dialogs->saveAnswers.push_back(target);
        w.Click("Button30");
        const FileDialogRequest& overview = w.dialogs->saveRequests.back();
        QCOMPARE(overview.proposedName, QStringLiteral("bv_20071113_140509_overview"));
        QCOMPARE(overview.defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(overview.filters, QStringList{QStringLiteral("Text files (*.txt)")});
        QCOMPARE(overview.folder, QDir::currentPath()); // no run yet
        QCOMPARE(ReadFile(target + QStringLiteral(".txt")), QByteArray("a.mkv\r\nQ in Y: 0,9\r\n"));

        // The same name again, from the empty "Ergebnisse" box: replaced without a question.
        w.dialogs->saveAnswers.push_back(target + QStringLiteral(".txt"));
        w.Click("Button29");
        QCOMPARE(w.dialogs->saveRequests.back().proposedName, QStringLiteral("bv_20071113_140509_results"));
        QCOMPARE(ReadFile(target + QStringLiteral(".txt")), QByteArray());
        QVERIFY(w.dialogs->confirmTexts.isEmpty());

        // Cancelled: nothing is written.
        w.dialogs->saveAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button30");
        QCOMPARE(ReadFile(target + QStringLiteral(".txt")), QByteArray());
    }

    void eachKindOfFileDialogStartsWhereItWasLastUsed() {
        QTemporaryDir dir;
        for (const char* sub : {"videos", "templates", "out"})
            QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(sub)));
        const QString videos = dir.filePath(QStringLiteral("videos"));
        const QString templates = dir.filePath(QStringLiteral("templates"));
        const QString out = dir.filePath(QStringLiteral("out"));
        TestWindow w;
        const auto openedIn = [&w] { return w.dialogs->openRequests.back().folder; };

        // Sources: first where the program was started, then where the last source was.
        w.LoadSource1(WriteClipScript(dir, QStringLiteral("videos/orig.avs")));
        QCOMPARE(openedIn(), QDir::currentPath());
        // Templates: first the program's own folder, then where the last template was, on
        // both source pages; the sources keep their folder meanwhile.
        w.Click("CheckBox6");
        w.dialogs->openAnswers.push_back(WriteTextFile(templates + QStringLiteral("/t.avs"), "x"));
        w.Click("Button35");
        QVERIFY(openedIn().endsWith(QStringLiteral("/Templates")));
        w.AddSource2(WriteClipScript(dir, QStringLiteral("videos/enc.avs")));
        QCOMPARE(openedIn(), videos);
        w.Click("CheckBox7");
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("y"));
        w.dialogs->saveAnswers.push_back(templates + QStringLiteral("/mine"));
        w.Click("Button33");
        QCOMPARE(w.dialogs->saveRequests.back().folder, templates);
        w.dialogs->openAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button28");
        QCOMPARE(openedIn(), videos);

        // The storage path: the folder in the field, else the one chosen here last.
        w.dialogs->folderAnswers.push_back(out);
        w.Click("Button39");
        QCOMPARE(w.dialogs->folderStarts.constLast(), QDir::currentPath());
        w.Find<QLineEdit>("Edit2")->clear();
        w.dialogs->folderAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button39");
        QCOMPARE(w.dialogs->folderStarts.constLast(), out);
        w.Find<QLineEdit>("Edit2")->setText(videos);
        w.dialogs->folderAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button39");
        QCOMPARE(w.dialogs->folderStarts.constLast(), videos);

        // Saved results keep a folder of their own, never a template's.
        w.dialogs->saveAnswers.push_back(ScriptedDialogs::kCancel);
        w.Click("Button30");
        QCOMPARE(w.dialogs->saveRequests.back().folder, QDir::currentPath());
        QVERIFY(w.dialogs->unexpected.isEmpty());
    }

    // The German run of this test: the assembled window shows its texts from the catalog.
    void germanWindowReadsTranslated() {
        if (!qEnvironmentVariableIsSet("BV_WIZARD_TEST_TRANSLATE"))
            QSKIP("checked by the German run");
        QTemporaryDir dir;
        TestWindow w;
        const QString orig = WriteClipScript(dir, QStringLiteral("orig.avs"), 250, 320, 240);
        w.LoadSource1(orig);
        w.AddSource2(orig);
        w.WalkToJobSummary();
        QCOMPARE(w.VisibleTabs(), (QStringList{QStringLiteral("Willkommen"), QStringLiteral("Quelle 1 laden"),
                                               QStringLiteral("Quellen 2 laden"),
                                               QStringLiteral("Erweiterte Einstellungen"),
                                               QStringLiteral("Speichern Ihrer Dateien"),
                                               QStringLiteral("Auftragsübersicht")}));
        QCOMPARE(w.window->Pages()->tabText(WizardWindow::kAnalyzation), QStringLiteral("Analyse"));
        QCOMPARE(w.window->Pages()->tabText(WizardWindow::kResults), QStringLiteral("Ergebnisse"));
        QCOMPARE(w.window->Results()->resultTabs->tabText(ResultsPage::kOverviewTab), QStringLiteral("Übersicht"));
        QCOMPARE(w.window->Analyzation()->figureTabs->tabText(AnalyzationPage::kPreviewTab),
                 QStringLiteral("Vorschau"));
        QCOMPARE(w.Find("Button9")->text(), QStringLiteral("Analysieren"));
        QCOMPARE(w.Find("Button25")->text(), QStringLiteral("Anhalten"));
        QVERIFY(w.Find<QPlainTextEdit>("Memo2")->toPlainText().startsWith(QStringLiteral("Willkommen bei Brevanta.")));
        QCOMPARE(w.Find<QPlainTextEdit>("Memo1")->toPlainText(),
                 QStringLiteral("Hier können Sie Ihre Original-Videodatei angeben."));
        QVERIFY(w.Find<QPlainTextEdit>("Memo8")->toPlainText().startsWith(
            QStringLiteral("Hier können Sie Ihren Speicherpfad angeben.")));
        QCOMPARE(BoxLines(w, "Memo10"),
                 (QStringList{QStringLiteral("Dateiname: ") + orig, QStringLiteral("Startframe: 0"),
                              QStringLiteral("Endframe: 249"), QString(), QStringLiteral("Videoinformationen:"),
                              QStringLiteral("Bildgröße: 320 x 240"), QStringLiteral("Farbraum: YUY2")}));
    }

    void resultsTabsHandTheFocusToTheirBox() {
        TestWindow w;
        w.window->Pages()->setTabVisible(WizardWindow::kResults, true);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        w.window->Pages()->setCurrentIndex(WizardWindow::kResults);
        QCOMPARE(QApplication::focusWidget(), w.Find<QWidget>("Memo4"));
        w.window->Results()->resultTabs->setCurrentIndex(ResultsPage::kResultsTab);
        QCOMPARE(QApplication::focusWidget(), w.Find<QWidget>("Memo12"));
        w.window->Results()->resultTabs->setCurrentIndex(ResultsPage::kOverviewTab);
        QCOMPARE(QApplication::focusWidget(), w.Find<QWidget>("Memo4"));
        w.dialogs->confirmAnswers.push_back(true);
        w.window->close();
    }

    void aboutNamesVersionAndCredits() {
        TestWindow w;
        w.Click("Button23");
        QCOMPARE(w.dialogs->informTexts.size(), 1);
        const QStringList lines = w.dialogs->informTexts.constFirst().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(0), QStringLiteral("Brevanta"));
        QCOMPARE(lines.at(1), QStringLiteral("Version 2007.11.13"));
        QVERIFY(lines.at(2).isEmpty() && lines.at(5).isEmpty());
        QVERIFY(lines.at(6).contains(QStringLiteral("stand_in_avs_window_scripts"))); // the library in use
        QVERIFY(lines.at(6).contains(QStringLiteral(" from ")));
        QCOMPARE(lines.at(8), QStringLiteral("SSIM metric from Zhou Wang, Ligang Lu and Alan C. Bovik,"));
        QCOMPARE(lines.at(9),
                 QStringLiteral("\"Video Quality Assessment Based on Structural Distortion Measurement\"."));
    }

    void everyCaptionFitsAndNothingOverlaps() {
        TestWindow w;
        for (int i = 0; i < WizardWindow::kPageCount; ++i)
            w.window->Pages()->setTabVisible(i, true);
        w.window->Results()->resultTabs->setTabVisible(ResultsPage::kGraphicTab, true);
        w.window->show();
        // Every page and inner tab shown once, so that each has its real size.
        for (int i = 0; i < WizardWindow::kPageCount; ++i) {
            w.window->Pages()->setCurrentIndex(i);
            for (QTabWidget* inner : w.window->Page(i)->findChildren<QTabWidget*>())
                for (int k = 0; k < inner->count(); ++k)
                    inner->setCurrentIndex(k);
            QApplication::processEvents();
        }

        // The tabs fit in the window's width: during a run ("Analyzation" last) and after it
        // ("Results" last), the most tabs there ever are.
        QTabBar* bar = w.window->Pages()->tabBar();
        for (int last : {int(WizardWindow::kAnalyzation), int(WizardWindow::kResults)}) {
            w.window->Pages()->setTabVisible(WizardWindow::kAnalyzation, last == WizardWindow::kAnalyzation);
            w.window->Pages()->setTabVisible(WizardWindow::kResults, last == WizardWindow::kResults);
            QApplication::processEvents();
            QVERIFY2(bar->tabRect(last).right() < w.window->Pages()->width(),
                     qPrintable(QString::number(bar->tabRect(last).right())));
        }
        for (int i = 0; i < WizardWindow::kPageCount; ++i)
            w.window->Pages()->setTabVisible(i, true);

        QList<QWidget*> containers;
        for (int i = 0; i < WizardWindow::kPageCount; ++i)
            containers << w.window->Page(i);
        for (QGroupBox* group : w.window->findChildren<QGroupBox*>())
            containers << group;
        for (QTabWidget* inner : {static_cast<QTabWidget*>(w.window->Analyzation()->figureTabs),
                                  static_cast<QTabWidget*>(w.window->Results()->resultTabs)})
            for (int i = 0; i < inner->count(); ++i)
                containers << inner->widget(i);

        for (QWidget* container : containers) {
            const QSize room =
                container->parentWidget() && qobject_cast<QStackedWidget*>(container->parentWidget())
                    ? container->parentWidget()->size()
                    : container->size();
            QList<QWidget*> children;
            for (QObject* o : container->children()) {
                auto* child = qobject_cast<QWidget*>(o);
                if (child != nullptr && !child->isHidden() && !child->isWindow())
                    children << child;
            }
            for (QWidget* child : children) {
                const QString where = container->objectName() + QLatin1Char('/') + child->objectName() +
                                      QLatin1Char(' ') + child->metaObject()->className();
                QVERIFY2(QRect(QPoint(0, 0), room).contains(child->geometry()),
                         qPrintable(where + " leaves its parent"));
                for (QWidget* other : children) {
                    if (other != child && child->geometry().intersects(other->geometry()))
                        QFAIL(qPrintable(where + " overlaps " + other->objectName() + " " +
                                         other->metaObject()->className()));
                }
                // Captions are shown whole.
                int needed = 0;
                if (auto* box = qobject_cast<QCheckBox*>(child))
                    needed = box->sizeHint().width();
                else if (auto* radio = qobject_cast<QRadioButton*>(child))
                    needed = radio->sizeHint().width();
                else if (auto* button = qobject_cast<QPushButton*>(child))
                    needed = button->fontMetrics().horizontalAdvance(button->text()) + 8;
                else if (auto* label = qobject_cast<QLabel*>(child);
                         label != nullptr && !label->text().isEmpty())
                    needed = label->sizeHint().width();
                else if (auto* group = qobject_cast<QGroupBox*>(child))
                    needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
                QVERIFY2(needed <= child->width(),
                         qPrintable(where + " is cut off: " + QString::number(needed) + " > " +
                                    QString::number(child->width())));
            }
        }
        w.dialogs->confirmAnswers.push_back(true);
        w.window->close();
    }
};

QTEST_MAIN(WizardPagesTest)
#include "wizard_pages_test.moc"
