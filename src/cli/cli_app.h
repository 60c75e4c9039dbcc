// brevanta-cli: the headless front end.
#pragma once

namespace bv {

// Parses the command line and runs the chosen subcommand; returns the exit status.
int RunCli(int argc, char** argv);

} // namespace bv
