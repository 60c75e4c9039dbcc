// A whole run with each figure tab showing, to see what the live display costs the run:
//   live_display_run ORIGINAL.avs ENCODED.avs
// The window's side is played by a receiver that takes every update and makes pixmaps of its
// pictures, as the Analyzation page does. AviSynth as the program finds it (BREVANTA_AVISYNTH).
#include "analysis/live_figures.h"
#include "frame_source/script_environment.h"
#include "platform/memory_tuning.h"
#include "wizard/analyzation_page.h"
#include "wizard/run_controller.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <cstdio>
#include <sys/resource.h>

namespace {
// CPU time of the whole process (both cores' worth), less disturbed by other programs than
// the wall clock.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

using namespace bv;

int main(int argc, char** argv) {
    bv::KeepFrameMemory(argv); // as the window's program does
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: live_display_run ORIGINAL.avs ENCODED.avs\n");
        return 2;
    }
    ScriptEnvironment environment;
    GraphTables graph;
    std::atomic<bool> stop{false};
    struct Case {
        const char* name;
        int tab;
        bool preview;
        bool ssim;
    };
    // Both metrics, then PSNR alone: a quicker run, where the screen's pace limits the pictures.
    const Case cases[] = {{"SSIM tab (figures only)", AnalyzationPage::kSsimTab, false, true},
                          {"PSNR tab (figures only)", AnalyzationPage::kPsnrTab, false, true},
                          {"graphic tab (live page)", AnalyzationPage::kGraphicTab, false, true},
                          {"preview tab (both pictures)", AnalyzationPage::kPreviewTab, true, true},
                          {"SSIM tab (figures only), again", AnalyzationPage::kSsimTab, false, true},
                          {"PSNR alone: PSNR tab", AnalyzationPage::kPsnrTab, false, false},
                          {"PSNR alone: preview tab", AnalyzationPage::kPreviewTab, true, false}};
    for (const Case& c : cases) {
        AnalysisSettings s;
        s.SourceFile1 = argv[1];
        s.Source1Kind = SourceKind::ScriptFile;
        s.SourceFiles2 = {argv[2]};
        s.ShowPreview = c.preview;
        s.MetricSsim = c.ssim;
        s.ItuMode = 2;
        RunContext context;
        context.environment = &environment;
        context.graph = &graph;
        context.stopRequested = &stop;
        RunController controller;
        controller.SetFigureTab(c.tab);
        int updates = 0, pictures = 0, frames = 0, analysed = 0;
        qint64 windowNanoseconds = 0;
        QObject::connect(&controller, &RunController::progressChanged, [&] {
            ++updates;
            QElapsedTimer windowClock;
            windowClock.start();
            for (const LiveUpdate& u : controller.TakeUpdates()) {
                if (u.kind != LiveUpdate::Kind::Frame)
                    continue;
                ++frames;
                analysed = u.totals.AnalysedCount;
                (void)MakeLiveFigures(u.totals);
                for (const QImage* picture : {&u.preview1, &u.preview2, &u.graphPage})
                    if (!picture->isNull()) {
                        ++pictures;
                        (void)QPixmap::fromImage(*picture);
                    }
            }
            windowNanoseconds += windowClock.nsecsElapsed();
        });
        QEventLoop loop;
        QObject::connect(&controller, &RunController::finished, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        const double cpu0 = CpuSeconds();
        controller.Start(s, context);
        loop.exec();
        const RunOutcome outcome = controller.TakeOutcome();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double cpu = CpuSeconds() - cpu0;
        std::printf(
            "%-32s %6.2f s  %5.1f frames/s  CPU %6.2f s = %5.2f ms/frame, window %.2f ms/frame  (%d frames; "
            "the window took %d updates, %d frames, %d pictures)%s\n",
            c.name, seconds, analysed / seconds, cpu, 1000 * cpu / analysed,
            windowNanoseconds / 1e6 / analysed, analysed, updates, frames, pictures,
            outcome.status == bv::RunStatus::Failed ? (" FAILED: " + outcome.error).c_str() : "");
    }
    return 0;
}
