// Whole runs against the stand-in AviSynth library: the files they write, their figures, the
// frame range rules, stop, skipped files and errors.
#include "analysis/fake_frames.h"
#include "analysis/measure_pipeline.h"
#include "analysis/json_figures.h"
#include "analysis/json_results.h"
#include "analysis/log_figures.h"
#include "analysis/number_format.h"
#include "analysis/report_texts.h"
#include "analysis/run_file_names.h"
#include "analysis/run_fixture.h"
#include "analysis/template_script.h"
#include "analysis/text_file.h"
#include "analysis/time_stamp.h"
#include "frame_source/frame_pair_source.h"
#include "support/reference_metrics.h"

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace bv::testing {
namespace {

// The figures of one frame pair of the fake, worked out literally.
FrameFigures ExpectedFrame(const fake::ClipSpec& o, const fake::ClipSpec& e, int n) {
    const auto po = [&](int i, int y) { return fake::Sample(o, i, y, n); };
    const auto pe = [&](int i, int y) { return fake::Sample(e, i, y, n); };
    return {reference::ComputeDistances(po, pe, o.width, o.height),
            reference::ComputeSsim(po, pe, o.width, o.height)};
}

// Records what a display would be told.
struct Recorder : RunObserver {
    std::vector<std::string> events;
    std::vector<int> frames;
    std::function<void(const FrameReport&)> onFrame;
    void OnRunStart(const AnalysisSettings& s) override {
        events.push_back("start " + std::to_string(s.StartFrame) + " " + std::to_string(s.EndFrame));
    }
    void OnFileStart(const FileStartInfo& i) override { events.push_back("file " + std::to_string(i.index)); }
    void OnClipsOpened(const ClipsOpenedInfo& i) override {
        events.push_back("clips " + std::to_string(i.firstFrame) + ".." + std::to_string(i.lastFrame));
    }
    void OnFrame(const FrameReport& r) override {
        frames.push_back(r.frame);
        if (onFrame)
            onFrame(r);
    }
    void OnFileEnd(const FileEndInfo& i) override {
        events.push_back("end " + std::to_string(i.index) + (i.skipped ? " skipped" : ""));
    }
    void OnMessage(const std::string& t) override { events.push_back("message " + t); }
    void OnRunEnd(const RunOutcome&) override { events.push_back("run end"); }
};

class AnalysisRun : public RunFolder {};

TEST_F(AnalysisRun, FiguresAgreeWithALiteralComputation) {
    const fake::ClipSpec o{40, 24, 6};
    fake::ClipSpec e = o;
    e.seed = 5;
    e.noise = 6;
    const std::string s1 = Source("orig.mkv", "clip w=40 h=24 frames=6");
    const std::string s2 = Source("enc.mkv", "clip w=40 h=24 frames=6 seed=5 noise=6");
    const RunOutcome out = Run(Settings(s1, {s2}));
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;

    const auto logs = FilesEndingWith("_1of1_log.csv");
    ASSERT_EQ(logs.size(), 1u);
    const Lines log = ReadCrLfLines(logs[0]);
    const Lines frames = FrameLines(log);
    ASSERT_EQ(frames.size(), 6u);
    FileFigures file;
    for (int n = 0; n < 6; ++n) {
        const FrameFigures x = ExpectedFrame(o, e, n);
        ExpectFrameLine(frames[n], n, x);
        file.Add(x, n);
    }
    file.ExpectFooter(log);
}

TEST_F(AnalysisRun, ThreeFilesWriteTheirLogsAndTheStandardLogfiles) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=4");
    std::vector<std::string> s2;
    for (int k = 1; k <= 3; ++k)
        s2.push_back(Source("enc" + std::to_string(k) + ".mkv",
                            "clip w=16 h=16 frames=4 noise=3 seed=" + std::to_string(k)));
    Recorder recorder;
    const RunOutcome out = Run(Settings(s1, s2), &recorder);
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    EXPECT_NE(out.status, RunStatus::Stopped);
    EXPECT_EQ(out.filesBegun, 3);

    for (int k = 1; k <= 3; ++k) {
        const auto logs = FilesEndingWith("_" + std::to_string(k) + "of3_log.csv");
        ASSERT_EQ(logs.size(), 1u) << k;
        const std::string name = logs[0].filename().string(); // bv_YYYYMMDD_hhmmss_Kof3_log.csv
        EXPECT_EQ(name.size(), std::string("bv_20071113_093005_1of3_log.csv").size()) << name;
        const Lines log = ReadCrLfLines(logs[0]);
        EXPECT_EQ(log[4], "Source File 2: " + s2[k - 1]);
        EXPECT_EQ(FrameLines(log).size(), 4u);
        EXPECT_EQ(log.back().rfind("Highest Q in Y: ", 0), 0u);
    }
    const auto overview = FilesEndingWith("_overview.txt");
    const auto results = FilesEndingWith("_results.txt");
    ASSERT_EQ(overview.size(), 1u);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(ReadCrLfLines(overview[0]), out.overviewLines);
    EXPECT_EQ(ReadCrLfLines(results[0]), out.resultsLines);
    // One stamp for both texts.
    EXPECT_EQ(overview[0].filename().string().substr(0, 18), results[0].filename().string().substr(0, 18));

    // Three overview blocks of path, PSNR, ED and Q, separated by one empty line.
    ASSERT_EQ(out.overviewLines.size(), 3u * 4 + 2);
    EXPECT_EQ(out.overviewLines[0], s2[0]);
    EXPECT_EQ(out.overviewLines[4], "");
    EXPECT_EQ(out.overviewLines[5], s2[1]);
    EXPECT_EQ(out.overviewLines.back().rfind("Q in Y: ", 0), 0u);
    EXPECT_EQ(std::count(out.resultsLines.begin(), out.resultsLines.end(), std::string(kResultsSeparator)),
              2);
    EXPECT_EQ(out.resultsLines.back().rfind("Highest Q in Y: ", 0), 0u);
    EXPECT_EQ(out.writtenFiles.size(), 5u);

    EXPECT_EQ(recorder.events.front(), "start 0 -1");
    EXPECT_EQ(recorder.events[1], "file 0");
    EXPECT_EQ(recorder.events[2], "clips 0..3");
    EXPECT_EQ(recorder.events.back(), "run end");
    EXPECT_EQ(recorder.frames.size(), 12u);
}

TEST_F(AnalysisRun, FrameRangeRules) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=12");
    const std::string shorter = Source("short.mkv", "clip w=16 h=16 frames=9 seed=2 noise=2");
    AnalysisSettings s = Settings(s1, {shorter});
    s.ExtendedLog = s.StandardLog = false;

    // Open end: to the end of the shorter clip.
    Recorder all;
    Run(s, &all);
    EXPECT_EQ(all.frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    // Graph rows cover the open range; the analysed frames lead.
    ASSERT_EQ(graph_.GraphValues.size(), 1u);
    EXPECT_EQ(graph_.GraphValues[0].size(), 180000u);
    EXPECT_GE(graph_.GraphValues[0][8], 0.0);
    EXPECT_EQ(graph_.GraphValues[0][9], kNoGraphValue);

    // Beyond the clips' end, and negative values.
    s.StartFrame = -5;
    s.EndFrame = 500;
    Recorder beyond;
    const RunOutcome out = Run(s, &beyond);
    EXPECT_EQ(beyond.frames.size(), 9u);
    EXPECT_EQ(beyond.frames.front(), 0);
    EXPECT_EQ(out.resultsLines[3], "Start Frame: 0");
    EXPECT_EQ(out.resultsLines[4], "End Frame: 8");

    s.StartFrame = 3;
    s.EndFrame = 5;
    Recorder part;
    Run(s, &part);
    EXPECT_EQ(part.frames, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(graph_.GraphValues[0].size(), 3u);
}

TEST_F(AnalysisRun, AnOpenEndReachesBeyondFrame179999) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=180004");
    AnalysisSettings s = Settings(s1, {s1});
    s.ExtendedLog = s.StandardLog = false;
    s.StartFrame = 179996;
    Recorder recorder;
    Run(s, &recorder);
    EXPECT_EQ(recorder.frames, (std::vector<int>{179996, 179997, 179998, 179999, 180000, 180001, 180002, 180003}));
}

// Another run that started in the same second holds the names of this second (and of the
// next few): this run takes free stamps and leaves the other run's files as they are.
TEST_F(AnalysisRun, ARunStartedInTheSameSecondKeepsItsFilesApart) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=3");
    std::string stamp = DateTimeStamp();
    Lines taken;
    for (int k = 0; k < 4; ++k, stamp = NextStamp(stamp))
        for (const std::string& name : {CsvLogFileName(BaseNameFor(stamp, 0, 1)), OverviewFileName(stamp)}) {
            std::ofstream(dir_ / name) << "the other run\n";
            taken.push_back(name);
        }
    const RunOutcome out = Run(Settings(s1, {s1}));
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    for (const std::string& name : taken) {
        std::string line;
        std::getline(std::ifstream(dir_ / name), line);
        EXPECT_EQ(line, "the other run") << name << " was replaced";
    }
    ASSERT_EQ(out.writtenFiles.size(), 3u);
    for (const std::string& path : out.writtenFiles)
        EXPECT_EQ(std::count(taken.begin(), taken.end(), fs::path(path).filename().string()), 0) << path;
    EXPECT_EQ(FilesEndingWith("_1of1_log.csv").size(), 5u);
    // The two texts still share their stamp, and no empty claim is left behind.
    EXPECT_EQ(fs::path(out.writtenFiles[1]).filename().string().substr(0, 18),
              fs::path(out.writtenFiles[2]).filename().string().substr(0, 18));
    EXPECT_EQ(FilesEndingWith("_results.txt").size(), 1u);
}

TEST_F(AnalysisRun, RefusedSettingsChangeNothing) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=4");
    AnalysisSettings s = Settings(s1, {s1});
    graph_.GraphValues = {{0.5}};
    s.StartFrame = 10;
    s.EndFrame = 5;
    s.MetricPsnr = s.MetricSsim = false;
    Recorder recorder;
    const RunOutcome out = Run(s, &recorder);
    EXPECT_EQ(out.status, RunStatus::Refused);
    EXPECT_EQ(out.refusal, "Check your frames to be analyzed settings.");
    EXPECT_EQ(recorder.events, (Lines{"run end"}));
    EXPECT_TRUE(out.writtenFiles.empty());
    EXPECT_EQ(FilesEndingWith(".csv").size() + FilesEndingWith(".txt").size(), 0u);
    EXPECT_EQ(graph_.GraphValues, (TImageArray{{0.5}}));
    EXPECT_TRUE(stop_.load()); // a refused start counts as stopped

    s.EndFrame = 20;
    EXPECT_EQ(Run(s).refusal, "Check your metric settings.");
    EXPECT_EQ(FakeImports(), "");
}

TEST_F(AnalysisRun, OnlyALowerCaseAvsExtensionIsAScript) {
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=2");
    const std::string upper = Source("enc.AVS", "clip w=16 h=16 frames=2 seed=1 noise=1");
    AnalysisSettings s = Settings(s1, {upper});
    s.ExtendedLog = s.StandardLog = false;
    const RunOutcome out = Run(s);
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    const std::string imports = FakeImports();
    EXPECT_NE(imports.find(s1 + "\n"), std::string::npos) << imports;             // opened as it is
    EXPECT_NE(imports.find("bv_avisynth_2.avs\n"), std::string::npos) << imports; // through template 2
    EXPECT_EQ(imports.find(upper + "\n"), std::string::npos) << imports;
    EXPECT_EQ(imports.find("bv_avisynth_1.avs"), std::string::npos) << imports;
    // The generated script is deleted once opened.
    EXPECT_FALSE(fs::exists(GeneratedScriptPath(kGeneratedScript2)));
}

TEST_F(AnalysisRun, IdenticalClipsHaveNoPsnrAndKeepLowestQAtOne) {
    const std::string s1 = Source("orig.mkv", "clip w=24 h=16 frames=3");
    const std::string same1 = Source("same1.mkv", "clip w=24 h=16 frames=3");
    const std::string same2 = Source("same2.mkv", "clip w=24 h=16 frames=3");
    const RunOutcome out = Run(Settings(s1, {same1, same2}));
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    for (const char* which : {"_1of2_log.csv", "_2of2_log.csv"}) {
        const auto logs = FilesEndingWith(which);
        ASSERT_EQ(logs.size(), 1u);
        const Lines log = ReadCrLfLines(logs[0]);
        const Lines frames = FrameLines(log);
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(frames[0].rfind("000000;;0;1;", 0), 0u) << frames[0];
        EXPECT_NE(std::find(log.begin(), log.end(), "PSNR in Y:"), log.end());
        EXPECT_NE(std::find(log.begin(), log.end(), "Lowest Q in Y: 1 (0)"), log.end());
    }
    EXPECT_EQ(out.overviewLines[1], "PSNR in Y:");
}

TEST_F(AnalysisRun, StopDuringTheSecondOfThreeFiles) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=10");
    std::vector<std::string> s2;
    for (int k = 1; k <= 3; ++k)
        s2.push_back(Source("enc" + std::to_string(k) + ".mkv",
                            "clip w=16 h=16 frames=10 noise=2 seed=" + std::to_string(k)));
    AnalysisSettings s = Settings(s1, s2);
    s.StartFrame = 2;
    s.ShutdownWhenFinished = true;
    Recorder recorder;
    recorder.onFrame = [this](const FrameReport& r) {
        if (r.fileIndex == 1 && r.frame == 5)
            stop_.store(true);
    };
    const RunOutcome out = Run(s, &recorder);
    EXPECT_EQ(out.status, RunStatus::Stopped);
    EXPECT_NE(out.status, RunStatus::Failed);
    EXPECT_EQ(out.filesBegun, 2);
    EXPECT_FALSE(out.shutdownRequested);
    EXPECT_EQ(shutdownCalls_, 0);

    EXPECT_EQ(FilesEndingWith("_3of3_log.csv").size(), 0u);
    const auto second = FilesEndingWith("_2of3_log.csv");
    ASSERT_EQ(second.size(), 1u);
    const Lines log = ReadCrLfLines(second[0]);
    EXPECT_EQ(FrameLines(log).size(), 4u); // frames 2..5, the last one finished
    EXPECT_EQ(log.back().rfind("Highest Q in Y: ", 0), 0u);

    // The second block names its actual range; only the note of the stop follows it, with
    // the encode never analysed.
    const Lines& ov = out.overviewLines;
    const Lines stopNote{"", "The run was stopped after frame: 5", "Not analyzed:", s2[2]};
    ASSERT_EQ(ov.size(), 5u + 6u + stopNote.size());
    EXPECT_EQ(ov[5], s2[1]);
    EXPECT_EQ(ov[6], "Start Frame: 2");
    EXPECT_EQ(ov[7], "End Frame: 5");
    EXPECT_EQ(ov[10].rfind("Q in Y: ", 0), 0u);
    EXPECT_EQ(Lines(ov.end() - 4, ov.end()), stopNote);
    EXPECT_EQ(std::count(out.resultsLines.begin(), out.resultsLines.end(), std::string(kResultsSeparator)),
              1);
    EXPECT_EQ(Lines(out.resultsLines.end() - 4, out.resultsLines.end()), stopNote);
    EXPECT_EQ(out.resultsLines.end()[-5].rfind("Highest Q in Y: ", 0), 0u);
    EXPECT_NE(std::find(out.resultsLines.begin(), out.resultsLines.end(), "End Frame: 5"),
              out.resultsLines.end());
    // The standard logfiles and the graph of what was analysed are still written.
    EXPECT_EQ(FilesEndingWith("_overview.txt").size(), 1u);
}

TEST_F(AnalysisRun, AStopBetweenTwoFilesLeavesNoTrailingSeparator) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=3");
    const std::string a = Source("a.mkv", "clip w=16 h=16 frames=3 noise=2 seed=1");
    struct StopAtFileEnd : Recorder {
        std::atomic<bool>* stop = nullptr;
        void OnFileEnd(const FileEndInfo& i) override {
            if (i.index == 0)
                stop->store(true);
        }
    } observer;
    observer.stop = &stop_;
    const RunOutcome out = Run(Settings(s1, {a, a}), &observer);
    EXPECT_EQ(out.status, RunStatus::Stopped);
    EXPECT_EQ(out.filesBegun, 1);
    const Lines stopNote{"", "The run was stopped after frame: 2", "Not analyzed:", a};
    EXPECT_EQ(Lines(out.overviewLines.end() - 4, out.overviewLines.end()), stopNote);
    EXPECT_EQ(out.overviewLines.end()[-5].rfind("Q in Y: ", 0), 0u);
    EXPECT_EQ(Lines(out.resultsLines.end() - 4, out.resultsLines.end()), stopNote);
    EXPECT_EQ(out.resultsLines.end()[-5].rfind("Highest Q in Y: ", 0), 0u);
}

TEST_F(AnalysisRun, MismatchedAndTooShortFilesAreReportedAndSkipped) {
    const std::string s1 = Source("orig.mkv", "clip w=32 h=16 frames=10");
    const std::string good1 = Source("good1.mkv", "clip w=32 h=16 frames=10 seed=1 noise=2");
    const std::string small = Source("small.mkv", "clip w=16 h=16 frames=10 seed=1 noise=2");
    const std::string planar = Source("planar.mkv", "clip w=32 h=16 frames=10 type=yv12");
    const std::string shortClip = Source("short.mkv", "clip w=32 h=16 frames=3 seed=1 noise=2");
    const std::string good2 = Source("good2.mkv", "clip w=32 h=16 frames=10 seed=2 noise=2");
    AnalysisSettings s = Settings(s1, {good1, small, planar, shortClip, good2});
    s.StartFrame = 5;
    Recorder recorder;
    const RunOutcome out = Run(s, &recorder);
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    EXPECT_EQ(out.filesBegun, 5);
    ASSERT_EQ(out.messages.size(), 3u);
    EXPECT_EQ(out.messages[0], small + ": Not analyzed: both clips must be YUY2 and of the same frame size. "
                                       "(Source File 1: 32 x 16 YUY2, Source File 2: 16 x 16 YUY2)");
    EXPECT_EQ(out.messages[1], planar +
                                   ": Not analyzed: both clips must have the same color space, bit depth and "
                                   "frame size. (Source File 1: 32 x 16 YUY2, Source File 2: 32 x 16 YV12) "
                                   "To make them equal, add this call to the AviSynth template of Source "
                                   "File 1: .ConvertToYV12()");
    EXPECT_EQ(out.messages[2], shortClip +
                                   ": Not analyzed: the start frame lies beyond the last frame that can "
                                   "be analyzed. (5 > 2)");
    EXPECT_EQ(recorder.frames.size(), 10u); // frames 5..9 of the two good files
    EXPECT_NE(std::find(recorder.events.begin(), recorder.events.end(), "end 1 skipped"),
              recorder.events.end());
    // No log for a skipped file; the reports say why.
    EXPECT_EQ(FilesEndingWith("_log.csv").size(), 2u);
    EXPECT_EQ(FilesEndingWith("_2of5_log.csv").size(), 0u);
    const Lines& ov = out.overviewLines;
    const auto at = std::find(ov.begin(), ov.end(), small);
    ASSERT_NE(at, ov.end());
    EXPECT_EQ(*(at + 1), out.messages[0].substr(small.size() + 2));
    EXPECT_EQ(*(at + 2), "");
    // The series of a skipped file stays empty.
    EXPECT_EQ(graph_.GraphValues[1][0], kNoGraphValue);
    EXPECT_GE(graph_.GraphValues[4][0], 0.0);
}

TEST_F(AnalysisRun, AnErrorEndsTheRunCleanlyAndKeepsWhatWasWritten) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=8");
    const std::string good = Source("good.mkv", "clip w=16 h=16 frames=8 seed=1 noise=2");
    const std::string broken = Source("broken.mkv", "clip w=16 h=16 frames=8 seed=2 noise=2 fail=3");
    AnalysisSettings s = Settings(s1, {good, broken, good});
    s.ShutdownWhenFinished = true;
    const RunOutcome out = Run(s);
    ASSERT_EQ(out.status, RunStatus::Failed);
    EXPECT_EQ(out.error, "FakeSource: frame 3 is damaged");
    EXPECT_TRUE(out.messages.empty()); // the error is apart from the notes
    EXPECT_EQ(out.filesBegun, 2);
    EXPECT_EQ(shutdownCalls_, 0);

    // The broken file's log holds its frames up to the error, each line complete.
    const auto logs = FilesEndingWith("_2of3_log.csv");
    ASSERT_EQ(logs.size(), 1u);
    const Lines log = ReadCrLfLines(logs[0]);
    EXPECT_EQ(FrameLines(log).size(), 3u);
    EXPECT_EQ(log.back().rfind("000002;", 0), 0u);
    EXPECT_EQ(FilesEndingWith("_3of3_log.csv").size(), 0u);
    // The reports keep the first file and name the error.
    ASSERT_EQ(FilesEndingWith("_overview.txt").size(), 1u);
    EXPECT_EQ(out.overviewLines.back(), "Error: FakeSource: frame 3 is damaged");
    EXPECT_EQ(out.overviewLines[4], "");
    const Lines& results = out.resultsLines;
    EXPECT_NE(std::find(results.begin(), results.end(), "Error: FakeSource: frame 3 is damaged"),
              results.end());
    EXPECT_EQ(std::count(results.begin(), results.end(), std::string(kResultsSeparator)), 1);
}

// While the metrics work on pairs (one at a time on one core, up to the pipeline's slots on
// more), one thread fetches the next ones, never more than the ring holds, and it alone enters
// the library (it also releases the pairs handed back).
TEST_F(AnalysisRun, FramesAreReadAheadByOneThreadWithinABound) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=12");
    const std::string s2 = Source("enc.mkv", "clip w=16 h=16 frames=12 seed=1 noise=2");
    AnalysisSettings s = Settings(s1, {s2});
    s.StandardLog = false;
    const int measured = std::thread::hardware_concurrency() >= 2 ? MeasurePipeline::kSlots : 1;
    const int ring = 2 * (measured + FramePairSource::kReadAhead); // the pairs at hand and those ahead
    const int overlapping = FakeOverlappingCalls();
    int most = 0;
    Recorder recorder;
    recorder.onFrame = [&](const FrameReport& r) {
        for (int i = 0; r.frame == 0 && FakeFramesOpen() < ring && i < 2000; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        most = std::max(most, FakeFramesOpen());
    };
    const RunOutcome out = Run(s, &recorder);
    ASSERT_EQ(out.status, RunStatus::Completed) << out.error;
    EXPECT_EQ(recorder.frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_GE(most, ring);
    EXPECT_LE(most, ring + 2); // and the pair handed back, until the reader releases it
    EXPECT_EQ(FakeOverlappingCalls(), overlapping);
    EXPECT_EQ(FrameLines(ReadCrLfLines(FilesEndingWith("_log.csv").at(0))).size(), 12u);
}

TEST_F(AnalysisRun, AFrameSmallerThanItsClipIsAnErrorNotARead) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=4");
    const std::string bad = Source("bad.mkv", "clip w=16 h=16 frames=4 seed=1 noise=1 badframe=1");
    AnalysisSettings s = Settings(s1, {bad});
    s.ExtendedLog = s.StandardLog = false;
    const RunOutcome out = Run(s);
    ASSERT_EQ(out.status, RunStatus::Failed);
    EXPECT_NE(out.error.find("frame 1 of " + bad), std::string::npos) << out.error;
}

TEST_F(AnalysisRun, OpenAndWriteErrorsAreReportedWithTheirText) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=4");
    const std::string missing = (dir_ / "missing.mkv").string();
    AnalysisSettings s = Settings(s1, {missing});
    s.ExtendedLog = s.StandardLog = false;
    RunOutcome out = Run(s);
    ASSERT_EQ(out.status, RunStatus::Failed);
    EXPECT_EQ(out.error, "Import: couldn't open \"" + missing + "\"");

    // A storage folder that is missing, or is no folder, refuses the run before its first
    // frame: nothing is opened, analysed or written.
    s.SourceFiles2 = {s1};
    s.StandardLog = true;
    for (const fs::path& folder : {dir_ / "no" / "such" / "folder", fs::path(s1)}) {
        s.StoragePath = folder.string();
        FakeReset();
        Recorder recorder;
        out = Run(s, &recorder);
        EXPECT_EQ(out.status, RunStatus::Refused);
        EXPECT_EQ(out.refusal, "The folder for the logs does not exist: " + s.StoragePath + "/");
        EXPECT_EQ(recorder.events, (Lines{"run end"}));
        EXPECT_EQ(FakeImports(), "");
    }
    EXPECT_EQ(FilesEndingWith(".txt").size(), 0u);
}

// A further output sees every file and frame before the display does, and its error at the end
// fails the run after the outputs of the settings were written.
TEST_F(AnalysisRun, SinksComeBeforeTheDisplayAndTheirErrorsFailTheRun) {
    struct Sink : RunSink {
        std::vector<std::string>* events = nullptr;
        void BeginFile(const SinkFile& f, SinkOutput& out) override {
            events->push_back("begin " + std::to_string(f.index + 1) + "of" + std::to_string(f.count));
            out.written.push_back(f.storageFolder + "extra.out");
        }
        void Frame(const FrameReport& r) override { events->push_back("sink " + std::to_string(r.frame)); }
        void EndFile(const FileTotals& t, bool completed) override {
            events->push_back("end " + std::to_string(t.AnalysedCount) + (completed ? " completed" : ""));
        }
        void EndRun(const SinkRun& run, SinkOutput& out) override {
            events->push_back("run " + std::to_string(run.filesBegun));
            out.errors.push_back("Cannot create file \"extra.end\"");
        }
    };
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=2");
    const std::string s2 = Source("enc.mkv", "clip w=16 h=16 frames=2 noise=3");
    std::vector<std::string> events;
    Sink sink;
    sink.events = &events;
    Recorder recorder;
    recorder.onFrame = [&](const FrameReport& r) { events.push_back("display " + std::to_string(r.frame)); };
    RunContext context;
    context.environment = &Environment();
    context.graph = &graph_;
    context.observer = &recorder;
    context.sinks = {&sink};
    const RunOutcome out = RunAnalysis(Settings(s1, {s2}), context);
    EXPECT_EQ(events, (Lines{"begin 1of1", "sink 0", "display 0", "sink 1", "display 1", "end 2 completed",
                             "run 1"}));
    EXPECT_EQ(out.status, RunStatus::Failed);
    EXPECT_EQ(out.error, "Cannot create file \"extra.end\"");
    ASSERT_EQ(out.writtenFiles.size(), 4u); // the CSV log, ours, then the overview and results texts
    EXPECT_EQ(fs::path(out.writtenFiles[1]).filename(), "extra.out");
    EXPECT_EQ(FilesEndingWith("_results.txt").size(), 1u);
}

// The JSON results of a run with a skipped file, of a stopped and of a failed run: one valid
// document each, whose figures are the logs' and the results text's.
TEST_F(AnalysisRun, JsonResultsHoldTheLogsFiguresAndSayHowTheRunEnded) {
    const std::string s1 = Source("orig.mkv", "clip w=32 h=16 frames=6");
    const std::string a = Source("a.mkv", "clip w=32 h=16 frames=6 seed=1 noise=3");
    const std::string small = Source("small.mkv", "clip w=16 h=16 frames=6");
    const std::string broken = Source("broken.mkv", "clip w=32 h=16 frames=6 seed=2 noise=2 fail=3");
    AnalysisSettings s = Settings(s1, {a, small, s1});
    s.JsonLog = true;
    RunOutcome out = Run(s);
    ASSERT_EQ(out.status, RunStatus::Completed) << out.error;
    auto files = FilesEndingWith("_results.json");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(out.writtenFiles.back(), files[0].string());
    Json doc = ReadJson(files[0]);
    EXPECT_EQ(doc["status"], "completed");
    EXPECT_EQ(doc["job"]["source_files_2"], Json(s.SourceFiles2));
    ASSERT_EQ(doc["encodes"].size(), 3u);
    for (int k : {0, 2}) {
        const Json& e = doc["encodes"][k];
        EXPECT_TRUE(e["analysed"].get<bool>() && e["complete"].get<bool>() && e["reason"].is_null());
        EXPECT_EQ(e["encode"], Json({{"format", "YUY2"}, {"width", 32}, {"height", 16}, {"frame_count", 6}}));
        ExpectJsonMatchesLog(e, ReadCrLfLines(FilesEndingWith("_" + std::to_string(k + 1) + "of3_log.csv")[0]));
        ExpectJsonMatchesResults(e, out.resultsLines);
    }
    // Identical clips: no PSNR anywhere.
    EXPECT_TRUE(doc["encodes"][2]["frames"][0]["psnr_y"].is_null() && doc["encodes"][2]["totals"]["psnr_y"].is_null());
    EXPECT_FALSE(doc["encodes"][1]["analysed"].get<bool>());
    EXPECT_EQ(doc["encodes"][1]["reason"], out.messages[0].substr(small.size() + 2));
    EXPECT_TRUE(doc["encodes"][1]["totals"].is_null() && doc["encodes"][1]["frames"].empty());

    // Stopped in the first file: what was analysed, and the file never begun.
    for (const fs::path& f : FilesEndingWith(""))
        if (f.extension() != ".mkv")
            fs::remove(f);
    Recorder recorder;
    recorder.onFrame = [this](const FrameReport& r) { stop_.store(r.frame == 2); };
    out = Run(s, &recorder);
    ASSERT_EQ(out.status, RunStatus::Stopped);
    doc = ReadJson(FilesEndingWith("_results.json").at(0));
    EXPECT_EQ(doc["status"], "stopped");
    EXPECT_EQ(doc["encodes"][0]["last_frame"], 2);
    EXPECT_FALSE(doc["encodes"][0]["complete"].get<bool>());
    EXPECT_EQ(doc["encodes"][0]["reason"], "The run was stopped.");
    ExpectJsonMatchesResults(doc["encodes"][0], out.resultsLines);
    EXPECT_TRUE(doc["encodes"][2]["encode"].is_null());

    // Failed in the second file: the error, and the frames before it.
    stop_.store(false);
    s.SourceFiles2 = {a, broken};
    s.JsonLog = false;
    s.StandardLog = false;
    const std::string path = (dir_ / "out.json").string();
    const auto sink = MakeJsonResultsSink(s, path);
    RunContext context;
    context.environment = &Environment();
    context.sinks = {sink.get()};
    out = RunAnalysis(s, context);
    ASSERT_EQ(out.status, RunStatus::Failed);
    doc = ReadJson(path);
    EXPECT_EQ(doc["status"], "failed");
    EXPECT_EQ(doc["error"], out.error);
    EXPECT_EQ(doc["encodes"][1]["reason"], "Error: " + out.error);
    EXPECT_EQ(doc["encodes"][1]["frames"].size(), 3u);
    ExpectJsonMatchesLog(doc["encodes"][1], ReadCrLfLines(FilesEndingWith("_2of2_log.csv")[0]));

    // A file that cannot be written is named before a run and, at the end, fails only itself.
    EXPECT_EQ(CheckJsonResultsPath(path), "");
    EXPECT_EQ(CheckJsonResultsPath(dir_.string()), "Cannot create file \"" + dir_.string() + "\": Is a directory");
    const std::string nowhere = (dir_ / "no" / "x.json").string();
    EXPECT_EQ(CheckJsonResultsPath(nowhere), "Cannot create file \"" + nowhere + "\": No such file or directory");
    const AnalysisSettings one = Settings(s1, {a});
    const auto lost = MakeJsonResultsSink(one, nowhere);
    context.sinks = {lost.get()};
    out = RunAnalysis(one, context);
    EXPECT_EQ(out.error, CheckJsonResultsPath(nowhere));
    ASSERT_EQ(out.writtenFiles.size(), 3u);
    EXPECT_EQ(out.writtenFiles.back().substr(out.writtenFiles.back().size() - 12), "_results.txt");
}

TEST_F(AnalysisRun, GraphExportAndShutdownAtTheEnd) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=3");
    const std::string a = Source("a.mkv", "clip w=16 h=16 frames=3 seed=1 noise=3");
    AnalysisSettings s = Settings(s1, {a, a});
    s.ShutdownWhenFinished = true;
    GraphExportRequest seen;
    int exports = 0;
    const auto exporter = [&](const GraphExportRequest& r) {
        ++exports;
        seen = r;
        EXPECT_EQ(r.tables->GraphValues[1][2], r.tables->GraphValues[0][2]);
        return std::vector<std::string>{r.storageFolder + "page.jpg"};
    };
    RunOutcome out = Run(s, nullptr, exporter);
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    EXPECT_EQ(exports, 1);
    EXPECT_EQ(seen.sourcesBegun, 2);
    EXPECT_EQ(seen.storageFolder, dir_.string() + "/");
    EXPECT_EQ(out.writtenFiles.back(), dir_.string() + "/page.jpg");
    EXPECT_TRUE(out.shutdownRequested);
    EXPECT_TRUE(out.shutdownAccepted);
    EXPECT_EQ(shutdownCalls_, 1);

    // A failed export is a failure of the run: no shutdown follows.
    out = Run(s, nullptr, [](const GraphExportRequest&) -> std::vector<std::string> {
        throw std::runtime_error("Cannot write file \"x.jpg\"");
    });
    EXPECT_EQ(out.status, RunStatus::Failed);
    EXPECT_EQ(out.error, "Cannot write file \"x.jpg\"");
    EXPECT_EQ(shutdownCalls_, 1);

    // No export without SSIM, and the graph keeps what the last SSIM run left.
    const TImageArray before = graph_.GraphValues;
    s.MetricSsim = false;
    exports = 0;
    out = Run(s, nullptr, exporter);
    EXPECT_EQ(exports, 0);
    EXPECT_EQ(graph_.GraphValues, before);
}

// Whether some thread or process waits for a lock on the file with inode `inode`.
bool LockAwaited(ino_t inode) {
    std::ifstream locks("/proc/locks");
    std::string key = ":"; // appended: GCC 12 warns falsely on ":" + string here
    key += std::to_string(inode) + " ";
    for (std::string line; std::getline(locks, line);)
        if (line.find("->") != std::string::npos && line.find(key) != std::string::npos)
            return true;
    return false;
}

// Two users of one generated script name take turns through a lock on the script itself, also
// when the one before deletes it, and no other file is left in the folder.
TEST_F(AnalysisRun, GeneratedScriptsTakeTurnsAndLeaveNothingBehind) {
    const std::string script = GeneratedScriptPath(kGeneratedScript2);
    const fs::path folder = fs::path(script).parent_path();
    fs::remove(folder / ".bv_avisynth.lock"); // left by earlier versions
    const int other = ::open(script.c_str(), O_RDWR | O_CREAT, 0644); // another process's turn
    struct stat held {};
    ASSERT_TRUE(other >= 0 && ::flock(other, LOCK_EX) == 0 && ::fstat(other, &held) == 0);
    AvsClip clip;
    std::thread opener([&] {
        clip = OpenSourceClip(Environment(), Source("a.mkv", "clip w=16 h=16 frames=3"),
                              {"FakeSource(\"$FileName\")"}, kGeneratedScript2);
    });
    while (!LockAwaited(held.st_ino))
        std::this_thread::yield();
    ::unlink(script.c_str()); // the other turn ends by deleting its script
    ::close(other);
    opener.join();
    EXPECT_EQ(clip.frameCount, 3);
    CloseAvsClip(clip);
    WriteTextLines(script, {"x"});
    RemoveGeneratedScript(kGeneratedScript2);
    RemoveGeneratedScript(kGeneratedScript2); // nothing left to delete: no error
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find("bv_avisynth"), std::string::npos) << entry.path();
}

} // namespace
} // namespace bv::testing
