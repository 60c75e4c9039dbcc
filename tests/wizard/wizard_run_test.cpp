// "Analyze", the progress lines, "Stop", the end of a run and its failures, with a scripted
// stand-in for the analysis run so that each moment of a run can be inspected.
#include "analysis/template_script.h"
#include "player/preview_player.h"
#include "wizard/analyzation_page.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/job_summary_page.h"
#include "wizard/load_source1_page.h"
#include "wizard/load_sources2_page.h"
#include "wizard/results_page.h"
#include "wizard/wizard_test_support.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace bv;
using namespace bv::test;

namespace {

// Reports each file's start and three frames, then waits for the test (or "Stop") before
// going on; returns `outcome` with one overview and one results line per file, and asks for
// the shutdown as the real run does.
class ScriptedRun {
public:
    RunOutcome outcome;
    bool holdFirstFile = true;

    RunOutcome operator()(const AnalysisSettings& settings, RunContext& context) {
        {
            std::lock_guard lock(mutex_);
            seen_ = settings;
            ++calls_;
        }
        RunOutcome result = outcome;
        const int count = static_cast<int>(settings.SourceFiles2.size());
        for (int i = 0; i < count; ++i) {
            if (*context.stopRequested) {
                result.status = RunStatus::Stopped;
                break;
            }
            ++result.filesBegun;
            context.observer->OnFileStart({i, count, settings.SourceFiles2[i]});
            FileTotals totals;
            for (int f = settings.StartFrame; f < settings.StartFrame + 3; ++f) {
                ++totals.AnalysedCount;
                FrameReport report;
                report.fileIndex = i;
                report.fileCount = count;
                report.frame = f;
                report.totals = &totals;
                context.observer->OnFrame(report);
            }
            if (i == 0 && holdFirstFile) {
                std::unique_lock lock(mutex_);
                // "Stop" only sets the flag, as for the real run, which reads it between frames.
                while (!released_ && !context.stopRequested->load())
                    wake_.wait_for(lock, std::chrono::milliseconds(5));
            }
            result.overviewLines.push_back(settings.SourceFiles2[i]);
            result.resultsLines.push_back("Source File 2: " + settings.SourceFiles2[i]);
        }
        // As the real run: a finished, unstopped job asks the system to power off.
        if (settings.ShutdownWhenFinished && result.status == RunStatus::Completed && context.shutdownSystem) {
            result.shutdownRequested = true;
            result.shutdownAccepted = context.shutdownSystem();
        }
        return result;
    }

    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        wake_.notify_all();
    }
    AnalysisSettings Seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    int Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool released_ = false;
    AnalysisSettings seen_;
    int calls_ = 0;
};

struct RunFixture {
    std::shared_ptr<ScriptedRun> run = std::make_shared<ScriptedRun>();
    bool shutdownAsked = false;
    bool shutdownAnswer = false;
    QTemporaryDir dir;
    std::unique_ptr<TestWindow> w;
    QString a, b, c;

    RunFixture() {
        auto runRef = run;
        w = std::make_unique<TestWindow>(
            [runRef](const AnalysisSettings& s, RunContext& ctx) { return (*runRef)(s, ctx); },
            [this] {
                shutdownAsked = true;
                return shutdownAnswer;
            });
        a = WriteClipScript(dir, QStringLiteral("orig.avs"));
        b = WriteClipScript(dir, QStringLiteral("enc1.avs"));
        c = WriteClipScript(dir, QStringLiteral("enc2.avs"));
        w->LoadSource1(a);
        w->AddSource2(b);
        w->AddSource2(c);
        w->WalkToJobSummary();
    }
    ~RunFixture() {
        run->Release();
        QTRY_VERIFY(!w->window->IsRunning());
    }
    QString Label(const char* name) const { return w->Find<QLabel>(name)->text(); }
};

} // namespace

class WizardRunTest : public QObject {
    Q_OBJECT

private slots:
    void badSettingsAreRefusedWithoutAnyChange() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.Find<QLineEdit>("Edit3")->setText(QStringLiteral("20"));
        w.Find<QLineEdit>("Edit4")->setText(QStringLiteral("10"));
        w.Click("CheckBox8");
        w.Click("CheckBox2"); // no metric either: the frame range is reported first
        w.Click("Button9");
        QCOMPARE(w.dialogs->informTexts,
                 QStringList{QStringLiteral("Check your frames to be analyzed settings.")});
        QVERIFY(w.window->StopRequested());

        w.Find<QLineEdit>("Edit4")->setText(QStringLiteral("-1"));
        w.Click("Button9");
        QCOMPARE(w.dialogs->informTexts.constLast(), QStringLiteral("Check your metric settings."));

        w.Click("CheckBox2");
        w.Find<QLineEdit>("Edit3")->setText(QStringLiteral("abc"));
        w.Click("Button9");
        QCOMPARE(w.dialogs->errorTexts, QStringList{QStringLiteral("'abc' is not a valid integer value")});
        w.Find<QLineEdit>("Edit3")->setText(QStringLiteral("0"));

        // A name chosen under one template no longer fits the template as changed since.
        const QString quoted = f.dir.filePath(QStringLiteral("q\".mkv"));
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("clip 60000004 64 48 5 \"$FileName\""));
        w.AddSource2(quoted);
        w.Find<QPlainTextEdit>("Memo7")->setPlainText(QStringLiteral("clip 60000004 64 48 5 $FileName"));
        w.Click("Button9");
        QCOMPARE(w.dialogs->informTexts.constLast(),
                 "This file name cannot be put into the AviSynth script: " + quoted +
                     " (it holds a double quote (\"))");

        QCOMPARE(f.run->Calls(), 0);
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kJobSummary));
        QVERIFY(!w.window->Pages()->isTabVisible(WizardWindow::kAnalyzation));
        QVERIFY(w.window->Summary()->isEnabled());
    }

    void runShowsItsProgressAndEndsOnResults() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.Find<QLineEdit>("Edit3")->setText(QStringLiteral("-5"));
        w.Find<QLineEdit>("Edit4")->setText(QStringLiteral("-7"));
        w.Click("CheckBox4"); // shutdown, which forces the standard logfile
        w.Click("CheckBox3");
        w.Find<QLineEdit>("Edit2")->setText(f.dir.path());
        PreviewPlayer* players[] = {w.window->Source1()->player, w.window->Sources2()->player};
        for (PreviewPlayer* player : players)
            QVERIFY(player->IsOpen());
        QCOMPARE(OpenStandInClips(), 2);
        w.Click("Button9");

        QVERIFY(w.window->IsRunning());
        // The players let go of their clips before the run opens the sources.
        for (PreviewPlayer* player : players)
            QVERIFY(!player->IsOpen());
        QCOMPARE(OpenStandInClips(), 0);
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kAnalyzation));
        QVERIFY(w.window->Pages()->isTabVisible(WizardWindow::kAnalyzation));
        QVERIFY(!w.window->Pages()->isTabVisible(WizardWindow::kResults));
        for (int i = WizardWindow::kWelcome; i <= WizardWindow::kJobSummary; ++i)
            QVERIFY(!w.window->Page(i)->isEnabled());
        QCOMPARE(f.Label("Label35"), QStringLiteral("0"));
        QCOMPARE(f.Label("Label33"), QStringLiteral("-1"));
        QTRY_COMPARE(f.Label("Label20"), QStringLiteral("2"));
        QCOMPARE(f.Label("Label7"), QStringLiteral("1 of 2"));
        QCOMPARE(f.Label("Label54"), f.b);

        // The settings as the pages held them.
        const AnalysisSettings s = f.run->Seen();
        QCOMPARE(s.SourceFile1, f.a.toStdString());
        QCOMPARE(s.Source1Kind, SourceKind::ScriptFile);
        QCOMPARE(s.SourceFiles2, (std::vector<std::string>{f.b.toStdString(), f.c.toStdString()}));
        QCOMPARE(s.StartFrame, 0);
        QCOMPARE(s.EndFrame, -1);
        QVERIFY(s.MetricPsnr && s.MetricSsim && s.StandardLog && s.ExtendedLog && s.ShutdownWhenFinished);
        QVERIFY(!s.ShowPreview && !s.LowPriority && !s.LogTemplate1 && !s.LogTemplate2);
        QCOMPARE(s.ItuMode, 1);
        QCOMPARE(s.ItuCaption, std::string("PC.601 (RGB [0..255] -> YUV [0..255])"));
        QCOMPARE(s.StoragePath, f.dir.path().toStdString());

        // The summary page can be looked at during the run; its box does not take the focus.
        w.window->Pages()->setCurrentIndex(WizardWindow::kJobSummary);
        QVERIFY(w.Find<QPlainTextEdit>("Memo6")->toPlainText().contains(QStringLiteral("Standard Logfile")));
        w.window->Pages()->setCurrentIndex(WizardWindow::kAnalyzation);

        f.run->Release();
        QTRY_VERIFY(!w.window->IsRunning());
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kResults));
        QCOMPARE(w.VisibleTabs().constLast(), QStringLiteral("Results"));
        QVERIFY(!w.window->Pages()->isTabVisible(WizardWindow::kAnalyzation));
        for (int i = WizardWindow::kWelcome; i <= WizardWindow::kJobSummary; ++i)
            QVERIFY(w.window->Page(i)->isEnabled());
        QCOMPARE(w.Find<QPlainTextEdit>("Memo4")->toPlainText(), f.b + QLatin1Char('\n') + f.c);
        QCOMPARE(w.Find<QPlainTextEdit>("Memo12")->toPlainText(),
                 QStringLiteral("Source File 2: ") + f.b + QStringLiteral("\nSource File 2: ") + f.c);
        QCOMPARE(w.window->Results()->resultTabs->currentIndex(), int(ResultsPage::kOverviewTab));
        // The system refused to power off: the window stays.
        QVERIFY(f.shutdownAsked);
        QVERIFY(!w.window->ClosingForShutdown());

        // "Previous" leads back to "Job Summary", from where the next run starts.
        w.Click("Button18");
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kJobSummary));
        f.run->holdFirstFile = false;
        w.Click("Button9");
        QTRY_VERIFY(!w.window->IsRunning());
        QCOMPARE(f.run->Calls(), 2);
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kResults));
        QVERIFY(w.dialogs->unexpected.isEmpty());
    }

    void figureTabsFollowTheOptionsAndBlankOnChange() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.Click("CheckBox1"); // preview
        w.Click("Button9");
        auto* tabs = w.window->Analyzation()->figureTabs;
        QCOMPARE(tabs->currentIndex(), int(AnalyzationPage::kPreviewTab));
        for (int i = 0; i < 4; ++i)
            QVERIFY(tabs->isTabVisible(i));
        w.window->Analyzation()->qY->setText(QStringLiteral("0.97"));
        tabs->setCurrentIndex(AnalyzationPage::kSsimTab);
        QVERIFY(w.window->Analyzation()->qY->text().isEmpty());
        f.run->Release();
        QTRY_VERIFY(!w.window->IsRunning());

        w.Click("Button18");
        w.Click("CheckBox1");
        w.Click("CheckBox2"); // PSNR alone
        w.Click("Button9");
        QCOMPARE(tabs->currentIndex(), int(AnalyzationPage::kPsnrTab));
        QVERIFY(!tabs->isTabVisible(AnalyzationPage::kPreviewTab));
        QVERIFY(!tabs->isTabVisible(AnalyzationPage::kSsimTab));
        QVERIFY(!tabs->isTabVisible(AnalyzationPage::kGraphicTab));
    }

    void stopAsksAndOnlyYesStopsTheRun() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.Click("Button9");
        QTRY_COMPARE(f.Label("Label20"), QStringLiteral("2"));
        w.dialogs->confirmAnswers.push_back(false);
        w.Click("Button25");
        QCOMPARE(w.dialogs->confirmTexts,
                 QStringList{QStringLiteral("Do you really want to stop analyzing?")});
        QVERIFY(!w.window->StopRequested());
        QTest::qWait(50);
        QVERIFY(w.window->IsRunning());

        w.dialogs->confirmAnswers.push_back(true);
        w.Click("Button25");
        QVERIFY(w.window->StopRequested());
        QTRY_VERIFY(!w.window->IsRunning());
        // The second file was never begun: its path is not in the overview.
        QCOMPARE(w.Find<QPlainTextEdit>("Memo4")->toPlainText(), f.b);
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kResults));
        QVERIFY(w.window->StopRequested()); // until the next run clears it
    }

    void failedRunLeavesTheWindowReadyForAnother() {
        RunFixture f;
        TestWindow& w = *f.w;
        f.run->outcome.status = RunStatus::Failed;
        f.run->outcome.error = "Cannot create file \"/nowhere/bv_log.csv\": Permission denied";
        f.run->outcome.messages = {"enc0.avs: Not analyzed"};
        f.run->holdFirstFile = false;
        w.Click("Button9");
        QTRY_VERIFY(!w.window->IsRunning());
        QCOMPARE(
            w.dialogs->errorTexts,
            QStringList{QStringLiteral("Cannot create file \"/nowhere/bv_log.csv\": Permission denied")});
        QCOMPARE(w.dialogs->informTexts, QStringList{QStringLiteral("enc0.avs: Not analyzed")});
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kJobSummary));
        QVERIFY(!w.window->Pages()->isTabVisible(WizardWindow::kAnalyzation));
        // What the run finished before the error stays readable.
        QVERIFY(w.window->Pages()->isTabVisible(WizardWindow::kResults));
        for (int i = WizardWindow::kWelcome; i <= WizardWindow::kJobSummary; ++i)
            QVERIFY(w.window->Page(i)->isEnabled());
        QVERIFY(w.Find("Button9")->isEnabled());

        f.run->outcome = RunOutcome{};
        w.Click("Button9");
        QTRY_VERIFY(!w.window->IsRunning());
        QCOMPARE(f.run->Calls(), 2);
        QCOMPARE(w.CurrentPage(), int(WizardWindow::kResults));
    }

    void closingDuringARunWaitsForItsEnd() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.window->show();
        w.Click("Button9");
        QTRY_COMPARE(f.Label("Label20"), QStringLiteral("2"));
        // A script the run has just written must stay until the run is done with it.
        const QString script = QString::fromStdString(GeneratedScriptPath(kGeneratedScript2));
        WriteTextFile(script, "clip 60000004 64 48 5\r\n");
        w.dialogs->confirmAnswers.push_back(true);
        QVERIFY(!w.window->close());
        QVERIFY(w.window->isVisible());
        QVERIFY(w.window->IsRunning());
        QVERIFY(QFile::exists(script));
        QVERIFY(!w.window->close()); // agreed already: no second question
        f.run->Release();
        QTRY_VERIFY(!w.window->isVisible());
        QVERIFY(!QFile::exists(script));
        QCOMPARE(w.dialogs->confirmTexts.size(), 1);
        QCOMPARE(f.run->Calls(), 1);
    }

    void stoppedRunNeverShutsDown() {
        RunFixture f;
        TestWindow& w = *f.w;
        f.shutdownAnswer = true;
        w.Click("CheckBox4");
        w.Click("Button9");
        QTRY_COMPARE(f.Label("Label20"), QStringLiteral("2"));
        w.dialogs->confirmAnswers.push_back(true);
        w.Click("Button25");
        QTRY_VERIFY(!w.window->IsRunning());
        QVERIFY(!f.shutdownAsked);
        QVERIFY(!w.window->ClosingForShutdown());
    }

    void acceptedShutdownClosesWithoutAQuestion() {
        RunFixture f;
        TestWindow& w = *f.w;
        w.window->show();
        f.shutdownAnswer = true;
        f.run->holdFirstFile = false;
        w.Click("CheckBox4");
        w.Click("Button9");
        QTRY_VERIFY(!w.window->isVisible());
        QVERIFY(w.window->ClosingForShutdown());
        QVERIFY(w.dialogs->confirmTexts.isEmpty());
        QVERIFY(!QFile::exists(QString::fromStdString(GeneratedScriptPath(kGeneratedScript1))));
    }
};

QTEST_MAIN(WizardRunTest)
#include "wizard_run_test.moc"
