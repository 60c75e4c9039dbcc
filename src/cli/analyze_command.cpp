#include "cli/analyze_command.h"

#include "analysis/analysis_run_thread.h"
#include "analysis/json_results.h"
#include "analysis/report_texts.h"
#include "analysis/run_file_names.h"
#include "analysis/template_script.h"
#include "cli/progress_line.h"
#include "cli/source_option.h"
#include "frame_source/script_environment.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

namespace bv {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free number");

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RequestStop(int signal) {
    stopSignal.store(signal);
    stopRequested.store(true);
    // The next one of any of them ends the program at once.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int s : kStopSignals)
        sigaction(s, &fallback, nullptr);
}

// Ctrl-C, and what `kill`, `timeout`, a stopping service or a closed terminal send (SIGTERM,
// SIGHUP), act as "Stop" while the run is under way: the current frame ends and everything is
// written. A second one ends the program at once.
class InterruptAsStop {
public:
    InterruptAsStop() {
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        for (int s : kStopSignals)
            sigaddset(&action.sa_mask, s);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(kStopSignals); ++i)
            sigaction(kStopSignals[i], &action, &previous_[i]);
    }
    ~InterruptAsStop() {
        for (size_t i = 0; i < std::size(kStopSignals); ++i)
            sigaction(kStopSignals[i], &previous_[i], nullptr);
    }
    InterruptAsStop(const InterruptAsStop&) = delete;
    InterruptAsStop& operator=(const InterruptAsStop&) = delete;

private:
    struct sigaction previous_[std::size(kStopSignals)] {};
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
    cmd->add_option("--offset", o.offsets,
                    "Compare frame n+N of SOURCE2 with frame n of SOURCE1; give it once for every SOURCE2 "
                    "or once per SOURCE2 in their order (default 0; with --align the fallback)")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    cmd->add_flag("--align", o.align, "Find each SOURCE2's frame offset automatically before its run");
    cmd->add_option("--align-range", o.alignRange, "Search offsets from -R to +R with --align (default 25)")
        ->check(CLI::Range(1, kMaxAlignRange));
    cmd->add_flag("--quiet", o.quiet, "Print nothing but errors");
    cmd->add_option("--json", o.json,
                    "Write every figure of the run as JSON to FILE (- for standard output, which then "
                    "carries nothing else)");
    cmd->add_option("--worst", o.worst,
                    "Save pictures of the K frames with the lowest Q in Y of every SOURCE2 (K defaults to 1; "
                    "give it after the sources)")
        ->expected(0, 1)
        ->default_str("1")
        ->check(CLI::Range(1, 1000000));
    return cmd;
}

AnalysisSettings SettingsFromOptions(const AnalyzeOptions& o) {
    AnalysisSettings s;
    s.SourceFile1 = Absolute(o.source1);
    s.Source1Kind = SourceKindOf(s.SourceFile1);
    s.Template1 = LoadTemplateOption(o.template1);
    s.LogTemplate1 = !s.Template1.empty();
    s.Template1Name = o.template1;
    for (const std::string& source : o.sources2)
        s.SourceFiles2.push_back(Absolute(source));
    s.Template2 = LoadTemplateOption(o.template2);
    s.LogTemplate2 = !s.Template2.empty();
    s.Template2Name = o.template2;
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
    if (o.offsets.size() == 1)
        s.Offsets2.assign(s.SourceFiles2.size(), o.offsets.front());
    else if (o.offsets.size() == s.SourceFiles2.size())
        s.Offsets2 = o.offsets;
    else if (!o.offsets.empty())
        throw std::invalid_argument("--offset is given " + std::to_string(o.offsets.size()) + " times for " +
                                    std::to_string(s.SourceFiles2.size()) +
                                    " SOURCE2 files: give it once for all, or once per SOURCE2");
    s.AlignAutomatically = o.align;
    s.AlignRange = o.alignRange;
    return s;
}

int RunAnalyzeCommand(const AnalyzeOptions& given, const std::function<GraphExporter(bool)>& makeGraphExporter,
                      const std::function<WorstFramesSaver()>& makeWorstFramesSaver) {
    // Videos without a template are read through the shipped one.
    AnalyzeOptions options = given;
    DefaultTemplate defaultTemplate(options.quiet);
    options.template1 = defaultTemplate.For(options.template1, {options.source1});
    options.template2 = defaultTemplate.For(options.template2, options.sources2);
    const bool jsonToStdout = options.json == kJsonStandardOutput;
    const std::string jsonPath = jsonToStdout ? options.json : Absolute(options.json);
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
        // Known now, not after an hour of analysis.
        if (!options.json.empty())
            if (const std::string problem = CheckJsonResultsPath(jsonPath); !problem.empty())
                throw std::invalid_argument(problem);
        if (options.worst > 0) {
            if (!settings.MetricSsim)
                throw std::invalid_argument("--worst picks frames by their Q in Y: it needs SSIM");
            // The pictures go where the logs would go.
            AnalysisSettings pictures = settings;
            pictures.ExtendedLog = true;
            if (const std::string problem = CheckStorageFolders(pictures); !problem.empty())
                throw std::invalid_argument(problem);
        }
    } catch (const std::invalid_argument& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    // Said before the run: its figures would be credited to files it never reads.
    if (settings.Source1Kind == SourceKind::TemplateScript && TemplateIgnoresSource(settings.Template1))
        std::cerr << MissingFileNameWarning(1) << '\n';
    if (TemplateIgnoresSource(settings.Template2) &&
        std::any_of(settings.SourceFiles2.begin(), settings.SourceFiles2.end(),
                    [](const std::string& s) { return SourceKindOf(s) == SourceKind::TemplateScript; }))
        std::cerr << MissingFileNameWarning(2) << '\n';

    ScriptEnvironment environment;
    GraphTables graph;
    ProgressLine display(stderr, !options.quiet && isatty(STDERR_FILENO) == 1, !options.quiet);
    RunContext context;
    context.environment = &environment;
    context.graph = &graph;
    context.stopRequested = &stopRequested;
    context.observer = &display;
    if (settings.ExtendedLog && settings.MetricSsim && makeGraphExporter)
        context.exportGraphPages = makeGraphExporter(!settings.LowPriority); // Qt only when pages are written
    std::unique_ptr<RunSink> json;
    if (!options.json.empty()) {
        json = MakeJsonResultsSink(settings, jsonPath, &std::cout);
        context.sinks.push_back(json.get());
    }

    RunOutcome outcome;
    {
        InterruptAsStop interrupt;
        AnalysisRunThread runThread;
        runThread.Start(settings, context);
        outcome = runThread.Wait();
    }

    if (outcome.status == RunStatus::Refused) {
        std::cerr << outcome.refusal << '\n';
        return 2;
    }
    bool printed = true;
    if (jsonToStdout) {
        printed = static_cast<bool>(std::cout); // the document is all standard output carries
        if (options.quiet && outcome.status == RunStatus::Failed)
            std::cerr << outcome.error << '\n';
    } else if (!options.quiet) {
        for (const std::string& line : outcome.resultsLines)
            std::cout << line << '\n';
        std::cout.flush();
        printed = static_cast<bool>(std::cout);
        if (!printed)
            std::cerr << "brevanta-cli: Cannot write file \"-\": " << std::strerror(errno) << '\n';
    } else if (outcome.status == RunStatus::Failed) {
        std::cerr << outcome.error << '\n';
    }
    // After the run's own files: the frames are read again, so no figure waits for a picture.
    if (options.worst > 0 && makeWorstFramesSaver && outcome.status != RunStatus::Refused) {
        const WorstFramesSaver save = makeWorstFramesSaver();
        const std::vector<std::string> errors = save(environment, WithOffsetsUsed(settings, outcome.offsets), graph,
                                                      outcome.filesBegun, options.worst);
        for (const std::string& error : errors)
            std::cerr << error << '\n';
        if (!errors.empty() && outcome.status == RunStatus::Completed)
            return 1;
    }
    switch (outcome.status) {
    case RunStatus::Refused:
        return 2;
    case RunStatus::Failed:
        return 1;
    case RunStatus::Stopped:
        // A stop says by which signal; the logs and reports are complete in either case.
        return 128 + (stopSignal.load() != 0 ? stopSignal.load() : SIGINT);
    case RunStatus::Completed:
        break;
    }
    return printed ? 0 : 1;
}

} // namespace bv
