#include "graph/graph_export.h"

#include "analysis/run_file_names.h"
#include "analysis/time_stamp.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/gui_application.h"
#include "graph/jpeg_file.h"

#include <cstdio>

namespace bv {

std::vector<std::string> ExportGraphPages(const GraphExportRequest& request, const std::string& stamp) {
    std::vector<std::string> written;
    if (request.tables == nullptr)
        return written;
    EnsureGuiApplication(); // the command line has no Qt application of its own
    const GraphTables& tables = *request.tables;
    const int count = FirstSourceFrameCount(tables);
    const int pages = (count + kFramesPerExportPage - 1) / kFramesPerExportPage;
    for (int first = 0; first < count; first += kFramesPerExportPage) {
        const std::string path = GraphExportFileName(request.storageFolder, stamp, first);
        if (request.onPage)
            request.onPage({path, first / kFramesPerExportPage + 1, pages});
        std::vector<unsigned char> jpeg;
        {
            // The 16 MB page is gone before the file is written: one page and one JPEG at a time.
            const QImage page = RenderGraphPage(kExportPageWidth, kGraphPageHeight, first,
                                                request.sourcesBegun, tables, request.sourceNames);
            jpeg = EncodeJpeg(page, kGraphJpegQuality);
        }
        WriteJpegFile(path, jpeg);
        written.push_back(path);
    }
    return written;
}

std::vector<std::string> ExportGraphPages(const GraphExportRequest& request) {
    const int count = request.tables != nullptr ? FirstSourceFrameCount(*request.tables) : 0;
    if (count == 0)
        return {};
    // Every page under one stamp no other run has taken; the pages then replace their own claims.
    const auto pagesFor = [&](const std::string& stamp) {
        std::vector<std::string> paths;
        for (int first = 0; first < count; first += kFramesPerExportPage)
            paths.push_back(GraphExportFileName(request.storageFolder, stamp, first));
        return paths;
    };
    const std::string stamp = ClaimStamp(DateTimeStamp(), pagesFor);
    try {
        return ExportGraphPages(request, stamp);
    } catch (...) {
        // No empty claim stays behind for a page that was never written.
        for (const std::string& path : pagesFor(stamp))
            if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
                const bool empty = std::fgetc(f) == EOF;
                std::fclose(f);
                if (empty)
                    std::remove(path.c_str());
            }
        throw;
    }
}

GraphExporter MakeGraphExporter() {
    EnsureGuiApplication();
    return [](const GraphExportRequest& request) { return ExportGraphPages(request); };
}

} // namespace bv
