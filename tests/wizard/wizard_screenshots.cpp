// Pictures of every page for a person to look at: wizard_screenshots OUTDIR.
// Walks the window (in the language LANG names) with scripted dialogs over the stand-in AviSynth
// (BREVANTA_AVISYNTH) and a scripted run, and saves one PNG per page and state.
#include "i18n/translate.h"
#include "platform/program_folder.h"
#include "wizard/analyzation_page.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/results_page.h"
#include "wizard/window_font.h"
#include "wizard/wizard_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace bv;
using namespace bv::test;

namespace {

// Reports a few frames of the first file, then waits until released.
struct HeldRun {
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;

    RunOutcome operator()(const AnalysisSettings& s, RunContext& context) {
        const int count = static_cast<int>(s.SourceFiles2.size());
        context.observer->OnFileStart({0, count, s.SourceFiles2[0]});
        FileTotals totals;
        for (int f = 0; f < 42; ++f) {
            // Figures of the kind a real encode gives, so that the tabs show real-looking texts.
            ++totals.AnalysedCount;
            AddPsnrFrame(totals, PsnrFrameResult{4.8 + f % 5 * 0.3, 1.9, 2.2, 1.6, 0.9, 1.0, 2.4});
            SsimFrameResult ssim;
            ssim.ssimY = 0.975 - f % 7 * 0.002;
            ssim.qY = ssim.ssimY + 0.004;
            ssim.weightSum = 8000;
            AddSsimFrame(totals, ssim, f);
            FrameReport report;
            report.fileCount = count;
            report.frame = f;
            report.totals = &totals;
            context.observer->OnFrame(report);
        }
        std::unique_lock lock(mutex);
        while (!released)
            wake.wait_for(lock, std::chrono::milliseconds(5));
        RunOutcome outcome;
        for (const std::string& path : s.SourceFiles2) {
            outcome.overviewLines.push_back(path);
            outcome.overviewLines.push_back("PSNR in Y: 41.2731 dB");
            outcome.overviewLines.push_back("Euclidean Distance in YUV: 1.0923");
            outcome.overviewLines.push_back("Q in Y: 0.9812");
            outcome.overviewLines.push_back("");
            outcome.resultsLines.push_back("Source File 1: " + s.SourceFile1);
            outcome.resultsLines.push_back("Source File 2: " + path);
            outcome.resultsLines.push_back("");
        }
        return outcome;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(WindowFont());
    InitTranslation(ProgramFolder()); // LANG=de_DE.UTF-8 shows the German window
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_screenshots OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir clips;
    auto run = std::make_shared<HeldRun>();
    TestWindow w([run](const AnalysisSettings& s, RunContext& c) { return (*run)(s, c); });
    w.window->show();
    QTest::qWait(100);
    auto shot = [&](const char* name) {
        QTest::qWait(50);
        w.window->grab().save(out.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
    };

    shot("0_welcome");
    w.Click("Button1");
    w.Click("CheckBox6");
    w.Find<QPlainTextEdit>("Memo3")->setPlainText(
        QStringLiteral("clip 60000004 720 576 250 # FFVideoSource(\"$FileName\")\nConvertToYUY2()"));
    w.LoadSource1(clips.filePath(QStringLiteral("original_720x576_x264_qp0.mkv")));
    shot("1_load_source_1");
    w.Click("Button6");
    w.AddSource2(WriteClipScript(clips, QStringLiteral("encode_crf18.avs"), 250, 720, 576, kYv12));
    w.AddSource2(WriteClipScript(clips, QStringLiteral("encode_crf28.avs"), 250, 720, 576, kYv12));
    shot("2_load_sources_2");
    w.Click("Button10");
    w.Click("CheckBox4");
    w.Click("CheckBox3");
    shot("3_advanced_settings");
    w.Click("Button13");
    w.Find<QLineEdit>("Edit2")->setText(QStringLiteral("/home/user/results"));
    shot("4_saving_your_files");
    w.Click("Button2");
    shot("5_job_summary");
    w.Click("Button9");
    QTest::qWait(200);
    shot("6_analyzation_ssim");
    w.window->Analyzation()->figureTabs->setCurrentIndex(AnalyzationPage::kPsnrTab);
    shot("6_analyzation_psnr");
    {
        std::lock_guard lock(run->mutex);
        run->released = true;
    }
    while (w.window->IsRunning())
        QTest::qWait(20);
    shot("7_results_overview");
    w.window->Results()->resultTabs->setCurrentIndex(ResultsPage::kResultsTab);
    shot("7_results_ergebnisse");
    w.dialogs->confirmAnswers.push_back(true);
    w.window->close();
    return 0;
}
