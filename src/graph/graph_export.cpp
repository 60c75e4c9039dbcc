#include "graph/graph_export.h"

#include "analysis/number_format.h"
#include "analysis/run_file_names.h"
#include "analysis/time_stamp.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/gui_application.h"
#include "graph/jpeg_file.h"

#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace bv {

namespace {
// The first page's white ground and grid, drawn on a thread of its own while the run opens its
// clips (a core is mostly idle then): the page's 16 MB are fresh memory, faulted in as the
// ground is painted, and the grid's labels are the fonts' first use. Both took tens of
// milliseconds at the run's end, after the last frame.
class FirstPageAhead {
public:
    FirstPageAhead()
        : separator_(UserDecimalSeparator()),
          page_(std::async(std::launch::async, [separator = separator_] {
              return BlankGraphPage(kExportPageWidth, kGraphPageHeight, 0, separator);
          })) {}

    // The page, to the first export whose labels it has; a null image otherwise, and after.
    QImage Take(const std::string& separator) {
        const std::lock_guard lock(mutex_);
        if (!page_.valid())
            return {};
        try {
            QImage page = page_.get();
            return separator == separator_ ? page : QImage();
        } catch (...) {
            return {}; // drawn again at the end, where a failure is reported
        }
    }

private:
    const std::string separator_;
    std::mutex mutex_;
    std::future<QImage> page_;
};

std::vector<std::string> ExportPages(const GraphExportRequest& request, const std::string& stamp,
                                     FirstPageAhead* ahead) {
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
            const std::string& separator = UserDecimalSeparator();
            QImage blank = first == 0 && ahead != nullptr ? ahead->Take(separator) : QImage();
            if (blank.isNull())
                blank = BlankGraphPage(kExportPageWidth, kGraphPageHeight, first, separator);
            const QImage page =
                RenderGraphPage(std::move(blank), first, request.sourcesBegun, tables, request.sourceNames);
            jpeg = EncodeJpeg(page, kGraphJpegQuality);
        }
        WriteJpegFile(path, jpeg);
        written.push_back(path);
    }
    return written;
}

std::vector<std::string> ExportPages(const GraphExportRequest& request, FirstPageAhead* ahead) {
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
        return ExportPages(request, stamp, ahead);
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

} // namespace

std::vector<std::string> ExportGraphPages(const GraphExportRequest& request, const std::string& stamp) {
    return ExportPages(request, stamp, nullptr);
}

std::vector<std::string> ExportGraphPages(const GraphExportRequest& request) {
    return ExportPages(request, nullptr);
}

GraphExporter MakeGraphExporter(bool drawFirstPageAhead) {
    EnsureGuiApplication();
    std::shared_ptr<FirstPageAhead> ahead;
    try {
        if (drawFirstPageAhead)
            ahead = std::make_shared<FirstPageAhead>();
    } catch (const std::system_error&) {
        // No thread to spare: the page is drawn at the end, as without.
    }
    return [ahead](const GraphExportRequest& request) { return ExportPages(request, ahead.get()); };
}

} // namespace bv
