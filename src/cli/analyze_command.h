// `brevanta-cli analyze`: the analysis run from the command line.
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/analysis_settings.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace bv {

class ScriptEnvironment;

// The command line's options, one for each setting of the window.
struct AnalyzeOptions {
    std::string source1;
    std::vector<std::string> sources2;
    std::string template1;
    std::string template2;
    std::string start = "0";
    std::string end = "-1";
    bool noPsnr = false;
    bool noSsim = false;
    bool standardLog = false;
    bool extendedLog = false;
    std::string storage;
    std::string itu = "pc601";
    bool lowPriority = false;
    bool shutdown = false;
    bool quiet = false;
    std::string json; // the JSON results file, "-" for standard output; empty: none
    int worst = 0;    // pictures of this many worst frames per SOURCE2
    std::vector<int> offsets; // once for every SOURCE2, or once per SOURCE2
    bool align = false;
    int alignRange = kDefaultAlignRange;
};

// Saves the pictures of the `count` worst frames of every file the run analysed; returns the
// errors met, each naming its file. Made only for runs that ask for pictures.
using WorstFramesSaver = std::function<std::vector<std::string>(ScriptEnvironment&, const AnalysisSettings&,
                                                                const GraphTables&, int filesBegun, int count)>;

// Adds the subcommand and its options to `app`.
CLI::App* AddAnalyzeCommand(CLI::App& app, AnalyzeOptions& options);

// The settings the window would read for the same choices. Sources are made absolute, as a
// file dialog gives them. Throws std::invalid_argument for a frame number that is no integer.
AnalysisSettings SettingsFromOptions(const AnalyzeOptions& options);

// Runs the analysis; returns 0, 1 (an AviSynth or file error), 2 (settings refused) or 130
// (stopped with Ctrl-C).
// The graph exporter is made only when the run writes graph pages (extended log with SSIM).
int RunAnalyzeCommand(const AnalyzeOptions& options, const std::function<GraphExporter(bool)>& makeGraphExporter,
                      const std::function<WorstFramesSaver()>& makeWorstFramesSaver = {});

} // namespace bv
