// Runs an analysis job on a thread of its own and hands its progress to the window's thread.
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/analysis_run_thread.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bv {

// One step of the live display, prepared on the run's thread, in the order the run took it.
struct LiveUpdate {
    enum class Kind { FileStart, ClipsOpened, Frame, FramesDone, Writing };
    Kind kind = Kind::Frame;
    int fileIndex = 0;
    int fileCount = 0;
    std::string path; // FileStart: the Source File 2 under way; Writing: the file
    QSize clip1Size;  // ClipsOpened: frame sizes of both clips
    QSize clip2Size;
    std::string offset; // ClipsOpened: the file's frame offset, as given or found
    int frame = 0; // Frame: number of the frame just analysed, the file's totals after it
    FileTotals totals;
    // The figure view the run saw for this frame (see RunController::FigureView); the
    // window shows the frame's figures and pictures only while that view is still current.
    int view = 0;
    // The pictures of the tab in `view`, when drawn for this frame (or for an earlier frame
    // the window has not taken yet): the preview's pictures of both clips, converted to RGB,
    // or the graphic tab's live page.
    QImage preview1;
    QImage preview2;
    QImage graphPage;
    RunOutcome sofar;   // FramesDone: the texts and state once every frame is analysed
    int page = 0;       // Writing: graph page `page` of `pages`; 0 for a report text
    int pages = 0;
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

    // The figure tab showing on the Analyzation page. Each call starts a new view, so that
    // figures prepared before a tab change are never shown after it.
    void SetFigureTab(int tab);
    int FigureView() const { return view_.load(std::memory_order_relaxed); }
    static int TabOfView(int view) { return view & 7; }
    // How long after the last picture (preview or live graph page) the next one may be drawn:
    // the screen's pace, or longer where pictures are costly enough to slow the run down.
    std::chrono::milliseconds PictureInterval() const {
        return std::chrono::milliseconds(pictureIntervalMs_.load(std::memory_order_relaxed));
    }

    // Everything reported since the last call, oldest first. Frames of a file the window has
    // not taken yet are merged into the latest, so a fast run never floods the window.
    std::vector<LiveUpdate> TakeUpdates();
    // The job's outcome, once finished() has been emitted.
    RunOutcome TakeOutcome();

signals:
    // Coalesced: one signal may stand for many updates.
    void progressChanged();
    void finished();

private:
    class Observer;
    void Push(LiveUpdate update);
    void PostProgress();
    void Finish(const RunOutcome& outcome); // on the run's thread

    RunFunction run_;
    RunContext context_; // lives as long as the run
    AnalysisRunThread runThread_;
    std::thread standInThread_;
    mutable std::mutex mutex_;
    std::deque<LiveUpdate> updates_;
    RunOutcome outcome_;
    std::atomic<bool> progressPosted_{false};
    std::atomic<int> view_{0};
    std::atomic<long> pictureIntervalMs_{0}; // set by the observer after each picture
    std::unique_ptr<Observer> observer_;
};

} // namespace bv
