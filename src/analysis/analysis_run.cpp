#include "analysis/analysis_run.h"

#include "analysis/clip_pair_opening.h"
#include "analysis/pair_check.h"
#include "analysis/frame_alignment.h"
#include "analysis/measure_pipeline.h"
#include "analysis/report_texts.h"
#include "analysis/run_file_names.h"
#include "analysis/time_stamp.h"
#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"
#include "frame_source/frame_pair_source.h"
#include "frame_source/script_environment.h"
#include "i18n/translate.h"
#include "metrics/frame_metrics.h"
#include "metrics/kernel_config.h"
#include "platform/shutdown_request.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <limits>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>

namespace bv {

namespace {

// An open end means "up to the end of the shorter clip", however long the clips are.
constexpr int kOpenEndLastFrame = std::numeric_limits<int>::max();
// Graph rows are sized at the start of a run; an end frame far beyond any clip (an open end
// included) must not reserve gigabytes, so longer rows grow only when a file really has more
// frames.
constexpr long long kInitialGraphRowLimit = 180000;

GraphColor RandomColor() {
    // Seeded from the clock once per program run.
    static std::mt19937 generator(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> channel(0, 255);
    GraphColor c;
    c.r = channel(generator);
    c.g = channel(generator);
    c.b = channel(generator);
    return c;
}

void SetUpGraph(GraphTables& graph, int sourceCount, long long rangeLength) {
    const long long length = std::clamp<long long>(rangeLength, 0, kInitialGraphRowLimit);
    graph.GraphValues.assign(sourceCount, std::vector<double>(static_cast<size_t>(length), kNoGraphValue));
    graph.GraphColors.assign(sourceCount, GraphColor{});
}

void EnsureGraphRowLength(GraphTables& graph, long long length) {
    for (auto& row : graph.GraphValues)
        if (static_cast<long long>(row.size()) < length)
            row.resize(static_cast<size_t>(length), kNoGraphValue);
}

class NullObserver : public RunObserver {};

// One run: the steps of the job in order, with the state they share.
class Run {
public:
    Run(const AnalysisSettings& settings, RunContext& context)
        : s_(settings), context_(context),
          stop_(context.stopRequested != nullptr ? *context.stopRequested : ownStop_),
          observer_(context.observer != nullptr ? *context.observer : nullObserver_),
          graph_(context.graph != nullptr ? *context.graph : ownGraph_) {}

    RunOutcome Execute();

private:
    void AnalyseFile(int index);
    FramePairing PairFrames(int index, const std::string& path, const AvsClip& clip1, const AvsClip& clip2,
                            bool comparable);
    void AnalyseFrames(int index, const std::string& path, const AvsClip& clip1, const AvsClip& clip2,
                       const PairMeasure& measure, int firstFrame, int lastFrame, int offset, FileTotals& totals);
    void AppendBlocks(const FileBlock& block);
    void Report(const std::string& message);
    bool Failed() const { return outcome_.status == RunStatus::Failed; }
    void Fail(const std::string& error);
    void Take(const SinkOutput& out);
    void EndSinks();
    void ShutDown();
    // Waits while the front end holds the run, then reads the stop flag.
    bool StopNow();

    AnalysisSettings s_;
    RunContext& context_;
    std::unique_ptr<ScriptEnvironment> originalEnvironment_; // where the original opens on a thread of its own
    std::atomic<bool> ownStop_{false};
    std::atomic<bool>& stop_;
    NullObserver nullObserver_;
    RunObserver& observer_;
    GraphTables ownGraph_;
    GraphTables& graph_;
    RunOutcome outcome_;
    std::vector<std::unique_ptr<RunSink>> ownSinks_;
    std::vector<RunSink*> sinks_; // in the order they are called
    int endFrame_ = 0;          // the end frame with an open end resolved
    std::string storageFolder_; // computed anew for every Source File 2
    int trailingOverview_ = 0;  // separator lines after the last block, taken back when a stop
    int trailingResults_ = 0;   // arrives between two files
    int lastAnalysedFrame_ = -1; // of the run, -1 before the first
    FramePairing pairing_;       // of the file under way
};

RunOutcome Run::Execute() {
    stop_.store(false);
    NormaliseFrameRange(s_);
    outcome_.refusal = ValidateSettings(s_);
    // Every figure would be lost at the end when the logs have nowhere to go.
    if (outcome_.refusal.empty())
        outcome_.refusal = CheckStorageFolders(s_);
    if (!outcome_.refusal.empty()) {
        outcome_.status = RunStatus::Refused;
        stop_.store(true);
        observer_.OnRunEnd(outcome_);
        return outcome_;
    }
    observer_.OnRunStart(s_);
    ownSinks_ = MakeRunSinks(s_, context_.exportGraphPages);
    for (const auto& sink : ownSinks_)
        sinks_.push_back(sink.get());
    sinks_.insert(sinks_.end(), context_.sinks.begin(), context_.sinks.end());

    endFrame_ = s_.EndFrame == -1 ? kOpenEndLastFrame : s_.EndFrame;
    const int count = static_cast<int>(s_.SourceFiles2.size());
    if (s_.MetricSsim)
        SetUpGraph(graph_, count, static_cast<long long>(endFrame_) - s_.StartFrame + 1);

    if (context_.environment == nullptr) {
        Fail("No AviSynth script environment");
    } else {
        for (int i = 0; i < count && !Failed(); ++i) {
            if (StopNow()) {
                // The previous file ended before the stop arrived: it is the last block now.
                outcome_.overviewLines.resize(outcome_.overviewLines.size() - trailingOverview_);
                outcome_.resultsLines.resize(outcome_.resultsLines.size() - trailingResults_);
                break;
            }
            AnalyseFile(i);
        }
    }

    if (storageFolder_.empty())
        storageFolder_ = StorageFolderFor(s_.StoragePath, s_.SourceFile1,
                                          s_.SourceFiles2.empty() ? std::string() : s_.SourceFiles2.front());
    // A question asked at the last frame is answered before the end steps begin.
    StopNow();
    if (stop_.load() && !Failed()) {
        // A stopped run must not read as a shorter range: say where it stopped and what it left.
        const std::vector<std::string> notAnalysed(s_.SourceFiles2.begin() + outcome_.filesBegun,
                                                   s_.SourceFiles2.end());
        for (auto* text : {&outcome_.overviewLines, &outcome_.resultsLines})
            AppendStoppedRunLines(*text, lastAnalysedFrame_, notAnalysed);
    }
    if (stop_.load() && !Failed())
        outcome_.status = RunStatus::Stopped;
    observer_.OnFramesDone(outcome_);
    EndSinks();
    // "Stop" answered Yes up to here still prevents the shutdown.
    if (StopNow() && !Failed())
        outcome_.status = RunStatus::Stopped;
    if (outcome_.status == RunStatus::Completed && s_.ShutdownWhenFinished)
        ShutDown();
    observer_.OnRunEnd(outcome_);
    return outcome_;
}

void Run::AnalyseFile(int index) {
    const int count = static_cast<int>(s_.SourceFiles2.size());
    const std::string& path = s_.SourceFiles2[index];
    const std::string stamp = DateTimeStamp();
    outcome_.filesBegun = index + 1;
    pairing_ = FramePairing{};
    pairing_.shown = UsesOffsets(s_);
    pairing_.offset = s_.OffsetOf(index);
    if (s_.MetricSsim)
        graph_.GraphColors[index] = RandomColor();

    FileTotals totals;
    // Sinks [sinksEnded, sinksBegun) have this file open; one whose BeginFile or EndFile threw
    // still counts as open, so that the failure path lets it close what it has.
    size_t sinksBegun = 0, sinksEnded = 0;
    AvsClip clip1, clip2;
    FileBlock block;
    block.source2 = path;
    block.last = index == count - 1;
    bool skipped = false;
    try {
        observer_.OnFileStart({index, count, path});
        // Script errors name the template the user gave, not the script made from it.
        OpenClipPair(*context_.environment, originalEnvironment_,
                     {s_.SourceFile1, s_.Template1, kGeneratedScript1,
                      s_.Template1Name.empty() ? Translate("AviSynth Template 1") : s_.Template1Name},
                     {path, s_.Template2, kGeneratedScript2,
                      s_.Template2Name.empty() ? Translate("AviSynth Template 2") : s_.Template2Name},
                     clip1, clip2);
        storageFolder_ = StorageFolderFor(s_.StoragePath, s_.SourceFile1, path);

        // Whether the pair can be measured, and with which kernels: decided once, here.
        const PairCheck check = CheckPair(clip1, clip2, {s_.MetricPsnr, s_.MetricSsim});
        std::string note = check.refusal;
        FramePairing pairing = PairFrames(index, path, clip1, clip2, note.empty());
        // Original frame n meets encoded frame n + offset: both must exist.
        const long long offset = pairing.offset;
        const long long originalLast = std::min<long long>(endFrame_, clip1.frameCount - 1LL);
        const long long firstFrame = std::max<long long>(s_.StartFrame, -offset);
        const long long lastFrame = std::min<long long>(originalLast, clip2.frameCount - 1LL - offset);
        pairing.unpaired =
            std::max<long long>(originalLast - s_.StartFrame + 1 - std::max<long long>(lastFrame - firstFrame + 1, 0), 0);
        if (note.empty() && firstFrame > lastFrame)
            note =
                Translate("Not analyzed: the start frame lies beyond the last frame that can be analyzed.") +
                " (" + std::to_string(firstFrame) + " > " + std::to_string(lastFrame) + ")";
        const int first = note.empty() ? static_cast<int>(firstFrame) : s_.StartFrame;
        const int last = note.empty() ? static_cast<int>(lastFrame) : s_.StartFrame - 1;
        pairing.firstFrame = first;
        pairing_ = pairing;
        outcome_.offsets.resize(static_cast<size_t>(index) + 1);
        outcome_.offsets[static_cast<size_t>(index)] = pairing.offset;
        const ClipsOpenedInfo opened{index, &clip1, &clip2, first, last, pairing};
        for (RunSink* sink : sinks_)
            sink->ClipsOpened(opened);
        observer_.OnClipsOpened(opened);

        if (!note.empty()) {
            skipped = true;
            block.note = note;
            Report(path + ": " + note);
        } else {
            // Both clips share it once the pair is accepted.
            totals.Format = clip1.format;
            const SinkFile file{index, count, path, stamp, storageFolder_, clip1.format, pairing};
            for (RunSink* sink : sinks_) {
                SinkOutput out;
                ++sinksBegun;
                sink->BeginFile(file, out);
                Take(out);
                if (Failed())
                    break;
            }
            if (!Failed()) {
                totals.StartTime = TimeOfDayText();
                AnalyseFrames(index, path, clip1, clip2, *check.measure, first, last, pairing.offset, totals);
                totals.EndTime = TimeOfDayText();
                for (; sinksEnded < sinksBegun; ++sinksEnded)
                    sinks_[sinksEnded]->EndFile(totals, true);
                block.totals = &totals;
            }
        }
    } catch (const std::bad_alloc&) {
        Fail(Translate("Out of memory"));
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    if (Failed()) {
        // The logs keep what was written; the clips are let go below.
        for (; sinksEnded < sinksBegun; ++sinksEnded)
            sinks_[sinksEnded]->EndFile(totals, false);
        if (!totals.StartTime.empty() && totals.EndTime.empty())
            totals.EndTime = TimeOfDayText();
        block.totals = &totals;
        block.note = Translate("Error:") + " " + outcome_.error;
    }
    block.stopping = Failed() || stop_.load();
    AppendBlocks(block);
    CloseAvsClip(clip1);
    CloseAvsClip(clip2);

    FileEndInfo end;
    end.index = index;
    end.path = path;
    end.totals = &totals;
    end.skipped = skipped;
    end.skipReason = skipped ? block.note : std::string();
    for (RunSink* sink : sinks_)
        sink->FileEnded(end);
    observer_.OnFileEnd(end);
}

// The file's offset: the given one, or the one the alignment finds in clips it can compare.
FramePairing Run::PairFrames(int index, const std::string& path, const AvsClip& clip1, const AvsClip& clip2,
                             bool comparable) {
    FramePairing pairing;
    pairing.shown = UsesOffsets(s_);
    pairing.offset = s_.OffsetOf(index);
    if (!s_.AlignAutomatically || !comparable)
        return pairing;
    const AlignmentResult found = FindFrameOffset(clip1, clip2, s_.AlignRange, s_.StartFrame);
    if (found.decided) {
        pairing.offset = found.offset;
        pairing.found = true;
    } else {
        pairing.undecidable = true;
        Report(path + ": " + AlignmentUndecidableText(pairing.offset));
    }
    return pairing;
}

void Run::AnalyseFrames(int index, const std::string& path, const AvsClip& clip1, const AvsClip& clip2,
                        const PairMeasure& measure, int firstFrame, int lastFrame, int offset,
                        FileTotals& totals) {
    const int count = static_cast<int>(s_.SourceFiles2.size());
    // The graph counts in the original's frames: a file that starts later leaves a gap.
    if (s_.MetricSsim)
        EnsureGraphRowLength(graph_, static_cast<long long>(lastFrame) - s_.StartFrame + 1);

    // A pair's figures go out in frame order: totals, graph, the outputs and the display.
    auto publish = [&](const FramePair& pair, const PairResults& r) {
        const int f = pair.number;
        ++totals.AnalysedCount;
        lastAnalysedFrame_ = f;
        const PsnrFrameResult& psnr = r.psnr;
        const SsimFrameResult& ssim = r.ssim;
        if (s_.MetricPsnr)
            AddPsnrFrame(totals, psnr);
        if (s_.MetricSsim) {
            AddSsimFrame(totals, ssim, f);
            graph_.GraphValues[index][static_cast<size_t>(f - s_.StartFrame)] = ssim.qY;
        }

        FrameReport report;
        report.fileIndex = index;
        report.fileCount = count;
        report.frame = f;
        report.encodedFrame = pair.encodedNumber;
        report.psnr = s_.MetricPsnr ? &psnr : nullptr;
        report.ssim = s_.MetricSsim ? &ssim : nullptr;
        report.totals = &totals;
        report.graph = s_.MetricSsim ? &graph_ : nullptr;
        report.pair = &pair;
        for (RunSink* sink : sinks_)
            sink->Frame(report);
        observer_.OnFrame(report);
    };

    // The metrics, the outputs and the display all read the same pair: fetched once, original first.
    FramePairSource source(clip1, s_.SourceFile1, clip2, path, firstFrame, lastFrame, offset);
    if (GetKernelConfig().threads != 0 || std::thread::hardware_concurrency() < 2) {
        FramePair pair;
        while (!StopNow() && source.Next(pair))
            publish(pair, measure.Measure(pair.original, pair.encoded));
        return;
    }
    // Two cores or more: two threads measure whole pairs, the figures still go out one frame
    // after the other, and a stop still ends the run after the frame whose figures went out last.
    MeasurePipeline pipeline(measure);
    bool more = true;
    std::exception_ptr failed; // a fetch that failed: the pairs before it go out first
    for (;;) {
        while (more && !failed && !pipeline.Full()) {
            try {
                more = !StopNow() && source.Next(pipeline.FreeSlot());
            } catch (...) {
                failed = std::current_exception();
            }
            if (more && !failed)
                pipeline.Submit();
        }
        if (pipeline.Empty() || StopNow())
            break;
        PairResults results;
        const FramePair& pair = pipeline.Oldest(results);
        publish(pair, results);
        pipeline.Pop();
    }
    if (failed && pipeline.Empty())
        std::rethrow_exception(failed);
}

void Run::AppendBlocks(const FileBlock& block) {
    AppendOverviewBlock(outcome_.overviewLines, s_, block, pairing_);
    AppendResultsBlock(outcome_.resultsLines, s_, block, pairing_);
    // What the blocks append after themselves when another block is to follow.
    const bool separated = !block.last && !block.stopping;
    trailingOverview_ = separated ? 1 : 0;
    trailingResults_ = separated ? 3 : 0;
}

void Run::Report(const std::string& message) {
    outcome_.messages.push_back(message);
    observer_.OnMessage(message);
}

void Run::Fail(const std::string& error) {
    if (!Failed()) {
        outcome_.status = RunStatus::Failed;
        outcome_.error = error;
    } else {
        outcome_.messages.push_back(error); // a later error (a log that cannot be saved) is a note
    }
    observer_.OnMessage(error);
}

void Run::Take(const SinkOutput& out) {
    outcome_.writtenFiles.insert(outcome_.writtenFiles.end(), out.written.begin(), out.written.end());
    for (const std::string& error : out.errors)
        Fail(error);
}

void Run::EndSinks() {
    SinkRun run;
    run.overviewLines = &outcome_.overviewLines;
    run.resultsLines = &outcome_.resultsLines;
    run.graph = &graph_;
    run.filesBegun = outcome_.filesBegun;
    run.storageFolder = storageFolder_;
    run.writing = [this](const WritingInfo& file) { observer_.OnWriting(file); };
    run.stopped = outcome_.status == RunStatus::Stopped;
    run.error = outcome_.error;
    for (RunSink* sink : sinks_) {
        SinkOutput out;
        try {
            sink->EndRun(run, out);
        } catch (const std::exception& e) {
            out.errors.push_back(e.what());
        }
        Take(out);
    }
}

void Run::ShutDown() {
    outcome_.shutdownRequested = true;
    if (context_.shutdownSystem) {
        outcome_.shutdownAccepted = context_.shutdownSystem();
        if (!outcome_.shutdownAccepted)
            Report(Translate("The computer could not be shut down."));
        return;
    }
    const ShutdownAnswer answer = RequestPowerOff();
    outcome_.shutdownAccepted = answer.accepted;
    if (!answer.accepted)
        Report(Translate("The computer could not be shut down.") + " " + answer.error);
}

bool Run::StopNow() {
    if (context_.hold != nullptr)
        context_.hold->WaitWhileHeld();
    return stop_.load();
}

} // namespace

RunOutcome RunAnalysis(const AnalysisSettings& settings, RunContext& context) {
    Run run(settings, context);
    return run.Execute();
}

} // namespace bv
