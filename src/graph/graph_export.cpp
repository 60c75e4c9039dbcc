#include "graph/graph_export.h"

#include "analysis/time_stamp.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/gui_application.h"
#include "graph/jpeg_file.h"

namespace bv {

std::vector<std::string> ExportGraphPages(const GraphExportRequest& request, const std::string& stamp) {
    std::vector<std::string> written;
    if (request.tables == nullptr)
        return written;
    EnsureGuiApplication(); // the command line has no Qt application of its own
    const GraphTables& tables = *request.tables;
    const int count = FirstSourceFrameCount(tables);
    for (int first = 0; first < count; first += kFramesPerExportPage) {
        const std::string path = GraphExportFileName(request.storageFolder, stamp, first);
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
    return ExportGraphPages(request, DateTimeStamp());
}

GraphExporter MakeGraphExporter() {
    EnsureGuiApplication();
    return [](const GraphExportRequest& request) { return ExportGraphPages(request); };
}

} // namespace bv
