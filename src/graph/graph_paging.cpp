#include "graph/graph_paging.h"

#include "analysis/time_stamp.h"
#include "graph/graph_page.h"

#include <algorithm>
#include <cstdio>

namespace bv {

int AnalysedFrameCount(const std::vector<double>& row) {
    // The run fills a row from its start without gaps, so the first gap ends the count.
    const auto end = std::find_if(row.begin(), row.end(), [](double v) { return !(v > kNoGraphValue); });
    return static_cast<int>(end - row.begin());
}

int GraphColumnCount(const std::vector<double>& row) {
    const auto valued = [](double v) { return v > kNoGraphValue; };
    const auto begin = std::find_if(row.begin(), row.end(), valued);
    if (begin == row.end())
        return 0;
    return static_cast<int>(std::find_if_not(begin, row.end(), valued) - row.begin());
}

int FirstSourceFrameCount(const GraphTables& tables) {
    return tables.GraphValues.empty() ? 0 : GraphColumnCount(tables.GraphValues.front());
}

GraphScrollRange ResultsScrollRange(const GraphTables& tables) {
    GraphScrollRange range;
    range.maximum = std::max(FirstSourceFrameCount(tables) - 1, 0);
    return range;
}

int ResultsSourcesDrawn(int listEntries, const GraphTables& tables) {
    return std::clamp(listEntries, 0, static_cast<int>(tables.GraphValues.size()));
}

QImage RenderResultsPage(int position, const GraphTables& tables,
                         const std::vector<std::string>& listEntries) {
    return RenderGraphPage(kScreenPageWidth, kGraphPageHeight, position,
                           ResultsSourcesDrawn(static_cast<int>(listEntries.size()), tables), tables,
                           listEntries);
}

int LiveGraphPageOffset(int analysedSoFar) {
    const int perPage = kScreenPageWidth / kFrameColumnWidth;
    return analysedSoFar < 1 ? 0 : (analysedSoFar - 1) / perPage * perPage;
}

std::string GraphPageNumberText(int frameOffset) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05d", frameOffset);
    return buffer;
}

std::string GraphPageSaveName(const std::string& stamp, int position) {
    return "bv_" + stamp + "_frame_" + GraphPageNumberText(position);
}

std::string GraphPageSaveName(int position) {
    return GraphPageSaveName(DateTimeStamp(), position);
}

std::string GraphExportFileName(const std::string& storageFolder, const std::string& stamp, int frameOffset) {
    std::string path = storageFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + GraphPageSaveName(stamp, frameOffset) + ".jpg";
}

} // namespace bv
