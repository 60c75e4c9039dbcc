#include "analysis/run_sinks.h"

#include "analysis/analysis_run.h"
#include "analysis/csv_log.h"
#include "analysis/json_results.h"
#include "analysis/run_file_names.h"
#include "analysis/text_file.h"
#include "analysis/time_stamp.h"

#include <exception>
#include <utility>

namespace bv {
namespace {

class CsvLogSink : public RunSink {
public:
    explicit CsvLogSink(const AnalysisSettings& settings) : s_(settings) {}

    void BeginFile(const SinkFile& file, SinkOutput& out) override {
        // Never another run's log: a name taken in the same second moves to the next one.
        const auto logPathFor = [&](const std::string& candidate) {
            return file.storageFolder + CsvLogFileName(BaseNameFor(candidate, file.index, file.count));
        };
        const std::string logPath = logPathFor(ClaimStamp(file.stamp, [&](const std::string& candidate) {
            return std::vector<std::string>{logPathFor(candidate)};
        }));
        log_.Open(logPath, s_, file.path, file.format, file.pairing);
        out.written.push_back(logPath);
    }
    void Frame(const FrameReport& report) override {
        if (log_.isOpen())
            log_.WriteFrame(report.frame, report.psnr, report.ssim);
    }
    void EndFile(const FileTotals& totals, bool completed) override {
        if (completed && log_.isOpen())
            log_.Finish(totals);
        else
            log_.Close(); // the log keeps what was written
    }

private:
    const AnalysisSettings& s_;
    CsvLog log_;
};

class ReportTextsSink : public RunSink {
public:
    void EndRun(const SinkRun& run, SinkOutput& out) override {
        std::string stamp;
        try {
            // Both texts under one stamp that no other run has taken.
            stamp = ClaimStamp(DateTimeStamp(), [&run](const std::string& candidate) {
                return std::vector<std::string>{run.storageFolder + OverviewFileName(candidate),
                                                run.storageFolder + ResultsFileName(candidate)};
            });
        } catch (const std::exception& e) {
            out.errors.push_back(e.what());
            return;
        }
        const std::pair<std::string, const std::vector<std::string>*> files[] = {
            {run.storageFolder + OverviewFileName(stamp), run.overviewLines},
            {run.storageFolder + ResultsFileName(stamp), run.resultsLines},
        };
        for (const auto& [path, lines] : files) {
            try {
                run.writing({path, 0, 0});
                WriteTextLines(path, *lines);
                out.written.push_back(path);
            } catch (const std::exception& e) {
                out.errors.push_back(e.what());
            }
        }
    }
};

class GraphPagesSink : public RunSink {
public:
    GraphPagesSink(const AnalysisSettings& settings, GraphExporter exporter)
        : s_(settings), export_(std::move(exporter)) {}

    void EndRun(const SinkRun& run, SinkOutput& out) override {
        GraphExportRequest request;
        request.tables = run.graph;
        request.sourceNames = s_.SourceFiles2;
        request.sourcesBegun = run.filesBegun;
        request.storageFolder = run.storageFolder;
        request.onPage = run.writing;
        try {
            const std::vector<std::string> files = export_(request);
            out.written.insert(out.written.end(), files.begin(), files.end());
        } catch (const std::exception& e) {
            out.errors.push_back(e.what());
        }
    }

private:
    const AnalysisSettings& s_;
    GraphExporter export_;
};

} // namespace

std::vector<std::unique_ptr<RunSink>> MakeRunSinks(const AnalysisSettings& settings, GraphExporter exportGraphPages) {
    std::vector<std::unique_ptr<RunSink>> sinks;
    if (settings.ExtendedLog)
        sinks.push_back(std::make_unique<CsvLogSink>(settings));
    if (settings.StandardLog)
        sinks.push_back(std::make_unique<ReportTextsSink>());
    if (settings.ExtendedLog && settings.MetricSsim && exportGraphPages)
        sinks.push_back(std::make_unique<GraphPagesSink>(settings, std::move(exportGraphPages)));
    if (settings.JsonLog)
        sinks.push_back(MakeJsonResultsSink(settings, ""));
    return sinks;
}

} // namespace bv
