// brevanta-cli: the headless front end.
#pragma once

#include "analysis/analysis_run.h"

namespace bv {

// Parses the command line and runs the chosen subcommand; returns the exit status.
// `exportGraphPages` writes the graph pages at the end of an `analyze` run (none when empty).
int RunCli(int argc, char** argv, const GraphExporter& exportGraphPages = {});

} // namespace bv
