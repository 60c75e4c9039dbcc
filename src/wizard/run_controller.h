// Runs an analysis job on a thread of its own and hands its progress to the window's thread.
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/analysis_run_thread.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace bv {

// What the progress lines need, as the run last reported it.
struct RunProgress {
    int fileSerial = 0; // counts the files begun, so that the display sees every new file
    int fileIndex = 0;
    int fileCount = 0;
    std::string path;
    bool frameDone = false; // a frame of the current file has been analysed
    int frame = 0;
    FileTotals totals;
};

class RunController : public QObject {
    Q_OBJECT
public:
    using RunFunction = std::function<RunOutcome(const AnalysisSettings&, RunContext&)>;

    // An empty `run` is the analysis run on its AnalysisRunThread (idle priority for "Low
    // Process Priority"); tests hand in a stand-in, which gets a plain thread.
    explicit RunController(RunFunction run = {}, QObject* parent = nullptr);
    ~RunController() override; // waits for a run under way

    // Starts the job; the context's observer is the controller's own.
    void Start(const AnalysisSettings& settings, const RunContext& context);
    // Blocks until the job has returned; finished() still follows through the event loop.
    void Wait();

    RunProgress Progress() const;
    // The job's outcome, once finished() has been emitted.
    RunOutcome TakeOutcome();

signals:
    // Coalesced: one signal may stand for many frames.
    void progressChanged();
    void finished();

private:
    class Observer;
    void PostProgress();
    void Finish(const RunOutcome& outcome); // on the run's thread

    RunFunction run_;
    RunContext context_; // lives as long as the run
    AnalysisRunThread runThread_;
    std::thread standInThread_;
    mutable std::mutex mutex_;
    RunProgress progress_;
    RunOutcome outcome_;
    std::atomic<bool> progressPosted_{false};
    std::unique_ptr<Observer> observer_;
};

} // namespace bv
