#include "analysis/analysis_run_thread.h"

#include "i18n/translate.h"
#include "platform/thread_priority.h"

#include <stdexcept>

namespace bv {

AnalysisRunThread::~AnalysisRunThread() {
    if (thread_.joinable())
        thread_.join();
}

void AnalysisRunThread::Start(const AnalysisSettings& settings, RunContext& context, Completion onFinished) {
    {
        std::lock_guard lock(mutex_);
        if (running_)
            throw std::logic_error("An analysis run is already under way");
        running_ = true;
        outcome_.reset();
    }
    if (thread_.joinable())
        thread_.join();
    thread_ = std::thread([this, settings, &context, onFinished = std::move(onFinished)] {
        std::string note;
        // Before anything else, so that every thread the run creates inherits it.
        if (settings.LowPriority) {
            if (const std::string error = SetCurrentThreadIdlePriority(); !error.empty()) {
                note = Translate("Low Process Priority could not be set:") + " " + error;
                if (context.observer != nullptr)
                    context.observer->OnMessage(note);
            }
        }
        RunOutcome outcome = RunAnalysis(settings, context);
        if (!note.empty())
            outcome.messages.insert(outcome.messages.begin(), note);
        {
            std::lock_guard lock(mutex_);
            outcome_ = outcome;
            running_ = false;
        }
        if (onFinished)
            onFinished(outcome);
    });
}

bool AnalysisRunThread::IsRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

RunOutcome AnalysisRunThread::Wait() {
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    return outcome_.value_or(RunOutcome{});
}

} // namespace bv
