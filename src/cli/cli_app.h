// brevanta-cli: the headless front end.
#pragma once

#include "analysis/analysis_run.h"
#include "cli/analyze_command.h"

namespace bv {

// Parses the command line and runs the chosen subcommand; returns the exit status.
// `makeGraphExporter` gives the exporter of the graph pages an `analyze` run writes at its end;
// it is called only for runs that write them (none when empty), and told whether it may draw
// ahead on a thread of its own (not for a run at idle priority).
using GraphExporterFactory = std::function<GraphExporter(bool drawAhead)>;
// `makeWorstFramesSaver` likewise for `analyze --worst`.
int RunCli(int argc, char** argv, const GraphExporterFactory& makeGraphExporter = {},
           const std::function<WorstFramesSaver()>& makeWorstFramesSaver = {});

} // namespace bv
