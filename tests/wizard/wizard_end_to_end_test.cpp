// The whole way through the window on real clips: an x264 original and two encodes read
// through an FFMS2 template, both metrics, both logs; the files must be those that
// `brevanta-cli analyze` writes for the same job.
#include "wizard/wizard_test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace bv;
using namespace bv::test;

namespace {

const QString kTemplate = QStringLiteral("FFVideoSource(\"$FileName\").ConvertToYUY2()");

QString TestData(const char* name) {
    return QDir(qEnvironmentVariable("BREVANTA_TEST_DATA")).filePath(QString::fromLatin1(name));
}

// The files of a storage folder by name, with the date-time stamps taken out of the names.
std::map<QString, QString> FilesByStamplessName(const QString& folder) {
    static const QRegularExpression stamp(QStringLiteral("^bv_\\d{8}_\\d{6}_"));
    std::map<QString, QString> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        files[QString(name).replace(stamp, QStringLiteral("bv_STAMP_"))] = QDir(folder).filePath(name);
    return files;
}

// A text file's lines without the clock's lines ("Start: hh:mm:ss", "End: hh:mm:ss").
QStringList LinesWithoutTimes(const QString& path) {
    static const QRegularExpression time(QStringLiteral("^(Start|End): \\d\\d:\\d\\d:\\d\\d$"));
    static const QRegularExpression jsonTime(QStringLiteral("\"(start|end)_time\":\"\\d\\d:\\d\\d:\\d\\d\""));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(ReadFile(path)).split(QStringLiteral("\r\n"))) {
        if (!time.match(line).hasMatch())
            lines << QString(line).replace(jsonTime, QStringLiteral("TIME"));
    }
    return lines;
}

} // namespace

class WizardEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void windowRunWritesWhatTheCommandLineWrites() {
        QTemporaryDir dir;
        const QString orig = TestData("orig.mkv");
        const QString enc1 = TestData("enc_crf20.mkv");
        const QString enc2 = TestData("enc_crf40.mkv");
        QVERIFY2(QFile::exists(orig), "the test clips are missing");
        const QString windowOut = dir.filePath(QStringLiteral("window"));
        const QString cliOut = dir.filePath(QStringLiteral("cli"));
        QVERIFY(QDir().mkpath(windowOut) && QDir().mkpath(cliOut));

        TestWindow w; // the real run and the real AviSynth interface
        w.Click("Button1");
        w.Click("CheckBox6");
        w.Find<QPlainTextEdit>("Memo3")->setPlainText(kTemplate);
        w.LoadSource1(orig);
        QVERIFY2(w.dialogs->errorTexts.isEmpty(), qPrintable(w.dialogs->errorTexts.join(QLatin1Char('\n'))));
        QVERIFY(w.Find<QPlainTextEdit>("Memo10")->toPlainText().contains(
            QStringLiteral("Frame Size: 320 x 240")));
        QVERIFY(
            w.Find<QPlainTextEdit>("Memo10")->toPlainText().contains(QStringLiteral("Color Space: YUY2")));
        w.Click("Button6");
        w.Click("CheckBox7");
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(kTemplate);
        w.AddSource2(enc1);
        w.AddSource2(enc2);
        w.Click("Button10");
        w.Click("CheckBox5");
        w.Click("CheckBox3");
        w.Click("CheckBox10");
        w.Click("Button13");
        w.Find<QLineEdit>("Edit2")->setText(windowOut);
        w.Click("Button2");
        w.Click("Button9");
        QVERIFY(w.window->IsRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->IsRunning(), 120000);
        QVERIFY2(w.dialogs->errorTexts.isEmpty(), qPrintable(w.dialogs->errorTexts.join(QLatin1Char('\n'))));
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kResults));
        const QString overview = w.Find<QPlainTextEdit>("Memo4")->toPlainText();
        const QString results = w.Find<QPlainTextEdit>("Memo12")->toPlainText();
        QVERIFY(overview.contains(enc1) && overview.contains(enc2) &&
                overview.contains(QStringLiteral("Q in Y: ")));
        QVERIFY(results.contains(QStringLiteral("Source File 1: ") + orig));

        // The same job from the command line.
        const QString templateFile =
            WriteTextFile(dir.filePath(QStringLiteral("ffms2.avs")), kTemplate.toUtf8());
        QProcess cli;
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cli.start(QStringLiteral(BV_CLI_PATH),
                  {QStringLiteral("analyze"), orig, enc1, enc2, QStringLiteral("--template1"), templateFile,
                   QStringLiteral("--template2"), templateFile, QStringLiteral("--standard-log"),
                   QStringLiteral("--extended-log"), QStringLiteral("--storage"), cliOut, QStringLiteral("--json"),
                   cliOut + QStringLiteral("/bv_20071113_093005_results.json"),
                   QStringLiteral("--quiet")});
        QVERIFY(cli.waitForFinished(120000));
        QCOMPARE(cli.exitCode(), 0);

        const auto windowFiles = FilesByStamplessName(windowOut);
        const auto cliFiles = FilesByStamplessName(cliOut);
        QStringList windowNames, cliNames;
        for (const auto& [name, path] : windowFiles)
            windowNames << name;
        for (const auto& [name, path] : cliFiles)
            cliNames << name;
        QCOMPARE(windowNames, cliNames);
        for (const char* expected :
             {"bv_STAMP_1of2_log.csv", "bv_STAMP_2of2_log.csv", "bv_STAMP_overview.txt",
              "bv_STAMP_results.txt", "bv_STAMP_frame_00000.jpg", "bv_STAMP_results.json"})
            QVERIFY2(windowFiles.count(QString::fromLatin1(expected)) == 1, expected);
        for (const auto& [name, path] : windowFiles) {
            if (name.endsWith(QStringLiteral(".jpg")))
                continue; // drawn from the same values; the curve colours are random
            QCOMPARE(LinesWithoutTimes(path), LinesWithoutTimes(cliFiles.at(name)));
        }
        // The boxes hold what the standard logfiles hold.
        const auto fileText = [&](const char* name) {
            return QString::fromUtf8(ReadFile(windowFiles.at(QString::fromLatin1(name))))
                .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        };
        QCOMPARE(overview + QStringLiteral("\n"), fileText("bv_STAMP_overview.txt"));
        QCOMPARE(results + QStringLiteral("\n"), fileText("bv_STAMP_results.txt"));

        // Pictures from "Results": each encode's worst frame, then the frame at the graph's position.
        const QString pictures = dir.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkpath(pictures));
        for (const char* button : {"Button40", "Button41"}) {
            w.dialogs->folderAnswers.push_back(pictures);
            w.Click(button);
            QCOMPARE(w.dialogs->informTexts.constLast(), QStringLiteral("Pictures saved: 2"));
        }
        const QStringList saved = QDir(pictures).entryList({QStringLiteral("*.png")});
        QCOMPARE(saved.size(), 4);
        QCOMPARE(saved.filter(QStringLiteral("_frame_000000.png")).size(), 2);
    }
};

QTEST_MAIN(WizardEndToEndTest)
#include "wizard_end_to_end_test.moc"
