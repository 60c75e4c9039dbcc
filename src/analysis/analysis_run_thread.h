// Runs an analysis on a thread of its own. With "Low Process Priority" that thread, and every
// thread it creates (AviSynth's decoders, metric workers), runs at idle priority; normal
// priority comes back by itself when the thread ends, and no other thread is touched.
#pragma once

#include "analysis/analysis_run.h"

#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace bv {

class AnalysisRunThread {
public:
    // Called on the run thread once RunAnalysis has returned (IsRunning is false by then).
    // It must not call Start or Wait: post the news to your own thread instead.
    using Completion = std::function<void(const RunOutcome&)>;

    AnalysisRunThread() = default;
    ~AnalysisRunThread(); // waits for a run under way
    AnalysisRunThread(const AnalysisRunThread&) = delete;
    AnalysisRunThread& operator=(const AnalysisRunThread&) = delete;

    // Starts the run. `context` must outlive it. Throws std::logic_error while a run is under
    // way (a finished one is joined first).
    void Start(const AnalysisSettings& settings, RunContext& context, Completion onFinished = {});

    // True from Start until RunAnalysis has returned.
    bool IsRunning() const;

    // Waits for the run and returns its outcome.
    RunOutcome Wait();

private:
    std::thread thread_;
    mutable std::mutex mutex_;
    bool running_ = false;
    std::optional<RunOutcome> outcome_;
};

} // namespace bv
