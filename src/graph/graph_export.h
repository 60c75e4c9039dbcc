// Writing the whole Q graph of a run as JPEG pages at the run's end.
#pragma once

#include "analysis/analysis_run.h"

#include <string>
#include <vector>

namespace bv {

// One 2500 x 1600 page per 250 analysed frames of the first source, each drawing the sources
// whose analysis began, saved as storage folder + "bv_" + stamp + "_frame_" + NNNNN + ".jpg"
// (replacing existing files). Pages are rendered, encoded, written and freed one at a time.
// Returns the files written. Throws std::runtime_error naming the file that cannot be
// written; no later page is attempted. Creates an offscreen QGuiApplication when there is
// no Qt application yet (see EnsureGuiApplication).
std::vector<std::string> ExportGraphPages(const GraphExportRequest& request, const std::string& stamp);
// With a fresh stamp whose page names are all free, claimed before the first page is drawn:
// another run's pages are never replaced.
std::vector<std::string> ExportGraphPages(const GraphExportRequest& request);

// The exporter a front end hands to the run (RunContext::exportGraphPages). Makes sure a
// QGuiApplication exists now, on the calling thread (best the main thread), so the run's
// thread only draws later, with or without a display. With `drawFirstPageAhead` (for a run
// that will write pages), the first page's white ground and grid are drawn now on a thread of
// its own, while the run opens its clips, instead of at the run's end.
GraphExporter MakeGraphExporter(bool drawFirstPageAhead = false);

} // namespace bv
