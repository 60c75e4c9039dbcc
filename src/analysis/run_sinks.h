// The run's outputs as sinks: the per-frame CSV log, the overview and results texts, the graph
// pages. The run calls them in order, before its display observer; a new output (JSON,
// pictures) is one more sink.
#pragma once

#include "analysis/analysis_settings.h"
#include "analysis/file_totals.h"
#include "analysis/graph_tables.h"
#include "analysis/frame_pairing.h"
#include "metrics/frame_results.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bv {

struct ClipsOpenedInfo;
struct FileEndInfo;
struct FrameReport;

// A Source File 2 whose frames are about to be analysed.
struct SinkFile {
    int index = 0;
    int count = 0;
    std::string path;
    std::string stamp;         // the file's date-time stamp, before any claim
    std::string storageFolder; // ends with "/"
    const avs::PixelFormat* format = nullptr; // what both clips are measured in
    FramePairing pairing;      // how its frames are paired with the original's
};

// A file the end steps are about to write: a report text (page 0) or graph page `page` of `pages`.
struct WritingInfo {
    std::string path;
    int page = 0;
    int pages = 0;
};

// The end of a run: what the end outputs are made of.
struct SinkRun {
    const std::vector<std::string>* overviewLines = nullptr;
    const std::vector<std::string>* resultsLines = nullptr;
    const GraphTables* graph = nullptr;
    int filesBegun = 0;
    std::string storageFolder; // ends with "/"
    std::function<void(const WritingInfo&)> writing; // told before each file is written
    bool stopped = false;
    std::string error; // the error that ended the run, empty when none did
};

// What a sink wrote, and the errors it met (each a text naming its file). An error of a
// sink goes to the run's failure path; the sink goes on with its other files.
struct SinkOutput {
    std::vector<std::string> written;
    std::vector<std::string> errors;
};

class RunSink {
public:
    virtual ~RunSink() = default;
    // Every Source File 2 whose clips were opened, analysed or not; must not throw.
    virtual void ClipsOpened(const ClipsOpenedInfo& /*info*/) {}
    // May throw std::exception: the run fails with its text.
    virtual void BeginFile(const SinkFile& /*file*/, SinkOutput& /*out*/) {}
    virtual void Frame(const FrameReport& /*report*/) {}
    // After the file's last frame with `completed`; after an error without, keeping what was
    // written. Called for every file BeginFile was called for.
    virtual void EndFile(const FileTotals& /*totals*/, bool /*completed*/) {}
    // Every Source File 2 whose analysis began, skipped and failed ones too; must not throw.
    virtual void FileEnded(const FileEndInfo& /*info*/) {}
    virtual void EndRun(const SinkRun& /*run*/, SinkOutput& /*out*/) {}
};

// What the graph export at the end of a run gets. The exporter lives in the graph
// subsystem; front ends hand it to the run.
struct GraphExportRequest {
    const GraphTables* tables = nullptr;
    std::vector<std::string> sourceNames; // as the list shows them
    int sourcesBegun = 0;
    std::string storageFolder; // ends with "/"
    // Called before each page is written, when set.
    std::function<void(const WritingInfo&)> onPage;
};
// Returns the files written; throws std::runtime_error naming a file that cannot be written.
using GraphExporter = std::function<std::vector<std::string>(const GraphExportRequest&)>;

// The outputs the settings ask for, in the order the run writes them: the CSV log
// (ExtendedLog), the overview and results texts (StandardLog), the graph pages (ExtendedLog
// with SSIM, when an exporter is given), the JSON results (JsonLog).
std::vector<std::unique_ptr<RunSink>> MakeRunSinks(const AnalysisSettings& settings, GraphExporter exportGraphPages);

} // namespace bv
