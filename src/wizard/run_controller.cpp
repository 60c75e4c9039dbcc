#include "wizard/run_controller.h"

#include <exception>

namespace bv {

// Called on the run's thread: copies what the display needs, never touches a widget.
class RunController::Observer : public RunObserver {
public:
    explicit Observer(RunController& owner) : owner_(owner) {}

    void OnFileStart(const FileStartInfo& info) override {
        {
            std::lock_guard lock(owner_.mutex_);
            RunProgress& p = owner_.progress_;
            ++p.fileSerial;
            p.fileIndex = info.index;
            p.fileCount = info.count;
            p.path = info.path;
            p.frameDone = false;
            p.totals = FileTotals{};
        }
        owner_.PostProgress();
    }

    void OnFrame(const FrameReport& report) override {
        {
            std::lock_guard lock(owner_.mutex_);
            RunProgress& p = owner_.progress_;
            p.fileIndex = report.fileIndex;
            p.fileCount = report.fileCount;
            p.frameDone = true;
            p.frame = report.frame;
            if (report.totals != nullptr)
                p.totals = *report.totals;
        }
        owner_.PostProgress();
    }

private:
    RunController& owner_;
};

RunController::RunController(RunFunction run, QObject* parent)
    : QObject(parent), run_(std::move(run)), observer_(std::make_unique<Observer>(*this)) {}

RunController::~RunController() {
    Wait();
}

void RunController::Start(const AnalysisSettings& settings, const RunContext& context) {
    Wait();
    {
        std::lock_guard lock(mutex_);
        progress_ = RunProgress{};
        outcome_ = RunOutcome{};
    }
    context_ = context;
    context_.observer = observer_.get();
    if (!run_) {
        runThread_.Start(settings, context_, [this](const RunOutcome& outcome) { Finish(outcome); });
        return;
    }
    standInThread_ = std::thread([this, settings] {
        RunOutcome outcome;
        try {
            outcome = run_(settings, context_);
        } catch (const std::exception& e) {
            outcome.failed = true;
            outcome.error = e.what();
        }
        Finish(outcome);
    });
}

void RunController::Finish(const RunOutcome& outcome) {
    {
        std::lock_guard lock(mutex_);
        outcome_ = outcome;
    }
    // Delivered on the window's thread, after every progress signal posted before it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            Wait();
            emit finished();
        },
        Qt::QueuedConnection);
}

void RunController::Wait() {
    runThread_.Wait();
    if (standInThread_.joinable())
        standInThread_.join();
}

RunProgress RunController::Progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

RunOutcome RunController::TakeOutcome() {
    std::lock_guard lock(mutex_);
    return std::move(outcome_);
}

void RunController::PostProgress() {
    // One pending signal at a time: a fast run must not flood the window's event queue.
    if (progressPosted_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            progressPosted_ = false;
            emit progressChanged();
        },
        Qt::QueuedConnection);
}

} // namespace bv
