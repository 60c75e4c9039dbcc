// The whole job as one JSON document, for programs that read results without parsing the
// locale-formatted texts: the job, every encode with its clips, every frame's figures and
// the totals. Numbers at full precision ("." whatever the locale), null where a figure does
// not exist. The schema is described in the README.
#pragma once

#include "analysis/run_sinks.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace bv {

inline constexpr const char* kJsonStandardOutput = "-";

std::string JsonResultsFileName(const std::string& stamp); // bv_<stamp>_results.json

// Empty when `path` can be created or replaced; else the message that names the file.
// Nothing is left behind by the check.
std::string CheckJsonResultsPath(const std::string& path);

// Writes the document at the end of the run, also after a stop or an error (marked so):
// to `path`, to `stream` when `path` is "-", or, with an empty path, to
// bv_<stamp>_results.json in the run's storage folder under a stamp no other run has taken.
std::unique_ptr<RunSink> MakeJsonResultsSink(const AnalysisSettings& settings, const std::string& path,
                                             std::ostream* stream = nullptr);

} // namespace bv
