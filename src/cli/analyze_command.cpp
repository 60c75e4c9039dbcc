#include "cli/analyze_command.h"

#include "analysis/analysis_run_thread.h"
#include "cli/progress_line.h"
#include "cli/source_option.h"
#include "frame_source/script_environment.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

namespace bv {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void RequestStop(int) {
    stopRequested.store(true);
}

// Ctrl-C acts as "Stop" while the run is under way; a second one ends the program at once.
class InterruptAsStop {
public:
    InterruptAsStop() {
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptAsStop() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptAsStop(const InterruptAsStop&) = delete;
    InterruptAsStop& operator=(const InterruptAsStop&) = delete;

private:
    struct sigaction previous_ {};
};

std::string Absolute(const std::string& path) {
    if (path.empty() || path.front() == '/')
        return path;
    return std::filesystem::absolute(path).string();
}

// A source that is no script is read through its template: without one there is nothing to open.
void RequireTemplate(const std::string& source, const std::vector<std::string>& templateLines,
                     const char* option) {
    if (SourceKindOf(source) == SourceKind::TemplateScript && templateLines.empty())
        throw std::invalid_argument(source + " is not an AviSynth script (.avs): give a template with " +
                                    option + " FILE, for example one holding FFVideoSource(\"$FileName\")");
}

} // namespace

CLI::App* AddAnalyzeCommand(CLI::App& app, AnalyzeOptions& o) {
    CLI::App* cmd = app.add_subcommand(
        "analyze",
        "Compare SOURCE2 files with the original SOURCE1 frame by frame and write the logs and reports");
    cmd->add_option("SOURCE1", o.source1,
                    "The original: an AviSynth script (.avs) or a video read through --template1")
        ->required();
    cmd->add_option("SOURCE2", o.sources2,
                    "Encoded versions, in order: scripts or videos read through --template2")
        ->required();
    cmd->add_option("--template1", o.template1,
                    "AviSynth template for SOURCE1; $FileName stands for the file");
    cmd->add_option("--template2", o.template2, "AviSynth template for every SOURCE2");
    cmd->add_option("--start", o.start, "First frame (default 0; negative counts as 0)");
    cmd->add_option("--end", o.end, "Last frame (default -1: up to the end of the shorter clip)");
    cmd->add_flag("--no-psnr", o.noPsnr, "Leave out PSNR, MSE and Euclidean distance");
    cmd->add_flag("--no-ssim", o.noSsim, "Leave out SSIM");
    cmd->add_flag("--standard-log", o.standardLog, "Write the overview and results files at the end");
    cmd->add_flag("--extended-log", o.extendedLog,
                  "Write a per-frame CSV log for every SOURCE2 (and the graph pages)");
    cmd->add_option(
        "--storage", o.storage,
        "Folder for the files (default: the folder of SOURCE1; a relative one is taken relative to "
        "each SOURCE2's folder)");
    cmd->add_option("--itu", o.itu, "Colour standard quoted in the logs: pc601 (default) or rec601")
        ->check(CLI::IsMember({"pc601", "rec601"}));
    cmd->add_flag("--low-priority", o.lowPriority, "Run the analysis at idle priority");
    cmd->add_flag("--shutdown", o.shutdown,
                  "Power the computer off when the run has finished (implies --standard-log)");
    cmd->add_flag("--quiet", o.quiet, "Print nothing but errors");
    return cmd;
}

AnalysisSettings SettingsFromOptions(const AnalyzeOptions& o) {
    AnalysisSettings s;
    s.SourceFile1 = Absolute(o.source1);
    s.Source1Kind = SourceKindOf(s.SourceFile1);
    s.Template1 = LoadTemplateOption(o.template1);
    s.LogTemplate1 = !s.Template1.empty();
    for (const std::string& source : o.sources2)
        s.SourceFiles2.push_back(Absolute(source));
    s.Template2 = LoadTemplateOption(o.template2);
    s.LogTemplate2 = !s.Template2.empty();
    s.StartFrame = ParseFrameNumberText(o.start);
    s.EndFrame = ParseFrameNumberText(o.end);
    s.MetricPsnr = !o.noPsnr;
    s.MetricSsim = !o.noSsim;
    s.ShowPreview = false;
    s.LowPriority = o.lowPriority;
    s.ShutdownWhenFinished = o.shutdown;
    s.ExtendedLog = o.extendedLog;
    // As in the window: shutting down keeps the standard logfile switched on.
    s.StandardLog = o.standardLog || o.shutdown;
    s.ItuMode = o.itu == "rec601" ? 2 : 1;
    s.ItuCaption = ItuCaptionFor(s.ItuMode);
    s.StoragePath = o.storage;
    return s;
}

int RunAnalyzeCommand(const AnalyzeOptions& options, const std::function<GraphExporter()>& makeGraphExporter) {
    AnalysisSettings settings;
    try {
        settings = SettingsFromOptions(options);
        NormaliseFrameRange(settings);
        if (const std::string refusal = ValidateSettings(settings); !refusal.empty()) {
            std::cerr << refusal << '\n';
            return 2;
        }
        RequireTemplate(settings.SourceFile1, settings.Template1, "--template1");
        for (const std::string& source : settings.SourceFiles2)
            RequireTemplate(source, settings.Template2, "--template2");
    } catch (const std::invalid_argument& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }

    ScriptEnvironment environment;
    GraphTables graph;
    ProgressLine display(stderr, !options.quiet && isatty(STDERR_FILENO) == 1, !options.quiet);
    RunContext context;
    context.environment = &environment;
    context.graph = &graph;
    context.stopRequested = &stopRequested;
    context.observer = &display;
    if (settings.ExtendedLog && settings.MetricSsim && makeGraphExporter)
        context.exportGraphPages = makeGraphExporter(); // brings up Qt only when pages are written

    RunOutcome outcome;
    {
        InterruptAsStop interrupt;
        AnalysisRunThread runThread;
        runThread.Start(settings, context);
        outcome = runThread.Wait();
    }

    if (!outcome.refusal.empty()) {
        std::cerr << outcome.refusal << '\n';
        return 2;
    }
    if (!options.quiet) {
        for (const std::string& line : outcome.resultsLines)
            std::cout << line << '\n';
        std::cout.flush();
    } else if (outcome.failed) {
        std::cerr << outcome.error << '\n';
    }
    if (outcome.failed)
        return 1;
    return outcome.stopped ? 130 : 0;
}

} // namespace bv
