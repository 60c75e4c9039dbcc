// Which graph page shows where: the live page, the scrollable Results page, the export
// pages, and the names the pages are saved under.
#pragma once

#include "analysis/graph_tables.h"
#include "graph/graph_page.h"

#include <QImage>
#include <string>
#include <vector>

namespace bv {

inline constexpr int kFramesPerExportPage = kExportPageWidth / kFrameColumnWidth; // 250
inline constexpr int kScrollLargeChange = 50;
inline constexpr int kScrollSmallChange = 1;

// Analysed frames of one source: the leading values above -1.0, at most the row's length.
int AnalysedFrameCount(const std::vector<double>& row);
// The frame columns of one source up to the end of its curve: leading columns without a value
// (original frames an offset left without a partner) count, the first gap after a value ends it.
int GraphColumnCount(const std::vector<double>& row);
// The columns of source 0, which alone sets the scroll range and the export; 0 without rows.
int FirstSourceFrameCount(const GraphTables& tables);

// The Results page's scroll bar, set at the end of a run with SSIM. Its position is the
// first frame offset of the page shown. With no analysed frame the range is 0..0.
struct GraphScrollRange {
    int minimum = 0;
    int maximum = 0;
    int position = 0;
    int smallChange = kScrollSmallChange;
    int largeChange = kScrollLargeChange;
};
GraphScrollRange ResultsScrollRange(const GraphTables& tables);

// Sources drawn when paging: the list's entries, but never more than the run's table has rows,
// so entries added to the list after the run are left out.
int ResultsSourcesDrawn(int listEntries, const GraphTables& tables);

// The Results page at scroll position `position` (500 x 1600).
QImage RenderResultsPage(int position, const GraphTables& tables,
                         const std::vector<std::string>& listEntries);

// First frame offset of the live page that holds the frame just analysed (count from 1).
int LiveGraphPageOffset(int analysedSoFar);

// Frame offset padded with "0" to at least 5 digits: 00000, 00250, 123456.
std::string GraphPageNumberText(int frameOffset);

// "bv_" + stamp + "_frame_" + page number: the name "Save..." proposes (no folder, no extension).
std::string GraphPageSaveName(const std::string& stamp, int position);
std::string GraphPageSaveName(int position); // with a fresh stamp

// The exported page's path: folder + "bv_" + stamp + "_frame_" + page number + ".jpg".
std::string GraphExportFileName(const std::string& storageFolder, const std::string& stamp, int frameOffset);

} // namespace bv
