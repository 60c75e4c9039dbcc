#include "wizard/run_controller.h"

#include "frame_source/frame_pair_source.h"
#include "analysis/report_texts.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/preview_image.h"
#include "wizard/analyzation_page.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace bv {

namespace {
// 25 pictures a second, a video's own pace, look smooth in the small preview; each costs the
// run a colour conversion of both frames, so drawing more often only slows the run down.
constexpr std::chrono::milliseconds kPictureInterval{40};
// Pictures are drawn on the run's thread, which the metrics wait for: they may take about 3% of
// its time. A picture that took t is followed by the next no sooner than kPictureShare·t later
// (1080p frames: about one preview a second; small frames: the screen's pace).
constexpr int kPictureShare = 32;
} // namespace

// Called on the run's thread: copies what the display needs and renders the pictures of the
// tab that shows, while the run's clips and tables are valid; never touches a widget.
class RunController::Observer : public RunObserver {
public:
    explicit Observer(RunController& owner) : owner_(owner) {}

    void OnRunStart(const AnalysisSettings& settings) override {
        showPreview_ = settings.ShowPreview;
        itu_ = settings.ItuMode;
        sourceNames_ = settings.SourceFiles2;
        startFrame_ = settings.StartFrame;
        lastFrame_ = -1;
        pictureView_ = -1;
    }

    void OnFileStart(const FileStartInfo& info) override {
        LiveUpdate u;
        u.kind = LiveUpdate::Kind::FileStart;
        u.fileIndex = info.index;
        u.fileCount = info.count;
        u.path = info.path;
        owner_.Push(std::move(u));
    }

    void OnClipsOpened(const ClipsOpenedInfo& info) override {
        lastFrame_ = info.lastFrame;
        LiveUpdate u;
        u.kind = LiveUpdate::Kind::ClipsOpened;
        u.fileIndex = info.index;
        if (info.clip1 != nullptr)
            u.clip1Size = QSize(info.clip1->width, info.clip1->height);
        if (info.clip2 != nullptr)
            u.clip2Size = QSize(info.clip2->width, info.clip2->height);
        u.offset = FrameOffsetValue(info.pairing);
        clip1Size_ = u.clip1Size;
        clip2Size_ = u.clip2Size;
        clip1Format_ = info.clip1 != nullptr ? info.clip1->format : nullptr;
        clip2Format_ = info.clip2 != nullptr ? info.clip2->format : nullptr;
        owner_.Push(std::move(u));
    }

    void OnFrame(const FrameReport& report) override {
        LiveUpdate u;
        u.kind = LiveUpdate::Kind::Frame;
        u.fileIndex = report.fileIndex;
        u.fileCount = report.fileCount;
        u.frame = report.frame;
        if (report.totals != nullptr)
            u.totals = *report.totals;
        u.view = owner_.FigureView();
        const int tab = TabOfView(u.view);
        bool preview = tab == AnalyzationPage::kPreviewTab && showPreview_ && report.pair != nullptr;
        bool graph = tab == AnalyzationPage::kGraphicTab && report.graph != nullptr;
        const auto drawStart = std::chrono::steady_clock::now();
        if ((preview || graph) && !PictureDue(u.view, report.frame)) {
            // Drawn a moment ago: the screen could not show this one anyway, or the run would
            // wait too long for pictures.
            preview = false;
            graph = false;
        } else if (preview) {
            // From the run's own frames: the window never asks AviSynth for them a second time.
            u.preview1 = FrameRgbImage(report.pair->original, clip1Format_, itu_, clip1Size_.width(),
                                       clip1Size_.height());
            u.preview2 = FrameRgbImage(report.pair->encoded, clip2Format_, itu_, clip2Size_.width(),
                                       clip2Size_.height());
        } else if (graph) {
            // Columns count in the original's frames, from the start frame.
            const int analysed = report.frame - startFrame_ + 1;
            u.graphPage = RenderGraphPage(kScreenPageWidth, kGraphPageHeight, LiveGraphPageOffset(analysed),
                                          report.fileIndex + 1, *report.graph, sourceNames_);
        }
        if (preview || graph) {
            pictureCost_ = std::chrono::steady_clock::now() - drawStart;
            owner_.pictureIntervalMs_.store(
                std::chrono::ceil<std::chrono::milliseconds>(Interval()).count(), std::memory_order_relaxed);
        }
        owner_.Push(std::move(u));
    }

    void OnFramesDone(const RunOutcome& sofar) override {
        LiveUpdate u;
        u.kind = LiveUpdate::Kind::FramesDone;
        u.sofar = sofar;
        owner_.Push(std::move(u));
    }

    void OnWriting(const WritingInfo& info) override {
        LiveUpdate u;
        u.kind = LiveUpdate::Kind::Writing;
        u.path = info.path;
        u.page = info.page;
        u.pages = info.pages;
        owner_.Push(std::move(u));
    }

private:
    std::chrono::steady_clock::duration Interval() const {
        return std::max<std::chrono::steady_clock::duration>(kPictureInterval, kPictureShare * pictureCost_);
    }

    // Pictures are drawn at most at the screen's pace, but always for the first frame after a
    // tab change and for a file's last frame (also when "Stop" ends the file there).
    bool PictureDue(int view, int frame) {
        const auto now = std::chrono::steady_clock::now();
        const std::atomic<bool>* stop = owner_.context_.stopRequested;
        if (view == pictureView_ && now - lastPicture_ < Interval() && frame < lastFrame_ &&
            !(stop != nullptr && stop->load()))
            return false;
        pictureView_ = view;
        lastPicture_ = now;
        return true;
    }

    RunController& owner_;
    bool showPreview_ = false;
    int itu_ = kPreviewPc601;
    std::vector<std::string> sourceNames_;
    int lastFrame_ = -1; // the current file's last frame
    QSize clip1Size_, clip2Size_;
    const avs::PixelFormat* clip1Format_ = nullptr;
    const avs::PixelFormat* clip2Format_ = nullptr;
    int startFrame_ = 0;
    int pictureView_ = -1;
    std::chrono::steady_clock::time_point lastPicture_;
    std::chrono::steady_clock::duration pictureCost_{}; // of the last picture drawn
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
        updates_.clear();
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
            outcome.status = RunStatus::Failed;
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

void RunController::SetFigureTab(int tab) {
    // Only the window's thread writes the view; the run reads it once per frame.
    const int changes = (view_.load(std::memory_order_relaxed) >> 3) + 1;
    view_.store((changes << 3) | (tab & 7), std::memory_order_relaxed);
}

std::vector<LiveUpdate> RunController::TakeUpdates() {
    std::vector<LiveUpdate> taken;
    {
        std::lock_guard lock(mutex_);
        taken.assign(std::make_move_iterator(updates_.begin()), std::make_move_iterator(updates_.end()));
        updates_.clear();
    }
    return taken;
}

void RunController::Push(LiveUpdate update) {
    {
        std::lock_guard lock(mutex_);
        if (update.kind == LiveUpdate::Kind::Frame && !updates_.empty() &&
            updates_.back().kind == LiveUpdate::Kind::Frame &&
            updates_.back().fileIndex == update.fileIndex) {
            // The window has not seen the previous frame yet: the newer one stands for both,
            // with the previous pictures when it drew none for the same view.
            LiveUpdate& previous = updates_.back();
            if (previous.view == update.view) {
                if (update.preview1.isNull() && update.preview2.isNull()) {
                    update.preview1 = std::move(previous.preview1);
                    update.preview2 = std::move(previous.preview2);
                }
                if (update.graphPage.isNull())
                    update.graphPage = std::move(previous.graphPage);
            }
            previous = std::move(update);
        } else {
            updates_.push_back(std::move(update));
        }
    }
    PostProgress();
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
