// `brevanta-cli analyze` on an x264 original and three encodes read through an FFVideoSource
// template: the files it writes, and its figures against a literal computation on the decoded
// frames. The luma the run saw is checked against FFmpeg's own decode.
#include "analysis/analysis_run.h"
#include "analysis/json_figures.h"
#include "analysis/log_figures.h"
#include "analysis/measure_pipeline.h"
#include "analysis/number_format.h"
#include "analysis/run_fixture.h"
#include "analysis/template_script.h"
#include "cli/cli_process.h"
#include "frame_source/avs_error.h"
#include "frame_source/frame_pair_source.h"
#include "frame_source/script_environment.h"
#include "support/reference_metrics.h"

#include <cstdlib>
#include <fstream>
#include <tuple>
#include <gtest/gtest.h>
#include <map>

namespace bv::testing {
namespace {

constexpr int kWidth = 320, kHeight = 240, kFrames = 60;

std::string ReadBytes(const fs::path& path) {
    return CliProcess::Read(path.string());
}

class RealClips : public ::testing::Test {
protected:
    void SetUp() override {
        const char* data = std::getenv("BREVANTA_TEST_DATA");
        ASSERT_NE(data, nullptr) << "BREVANTA_TEST_DATA names the test clips";
        data_ = data;
        dir_ = fs::temp_directory_path() /
               ("bv_real_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                "_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "out");
        template_ = (dir_ / "ffms2.avs").string();
        std::ofstream(template_, std::ios::binary) << "FFVideoSource(\"$FileName\")\r\nConvertToYUY2()\r\n";
    }
    void TearDown() override {
        if (!HasFailure())
            fs::remove_all(dir_);
    }

    std::string Clip(const std::string& name) const { return (data_ / name).string(); }

    // The YUY2 frames the frame server delivers for a clip, and a check of their luma
    // against FFmpeg's sequential decode.
    std::string Yuy2Frames(const std::string& name, int width = kWidth, int height = kHeight, int count = kFrames,
                           const std::string& folder = "") {
        const fs::path raw = dir_ / (name + ".yuyv");
        const std::string clip = folder.empty() ? Clip(name) : folder + "/" + name;
        const size_t frameBytes = size_t{2} * width * height;
        const CliResult r = RunCliProcess(
            {"frames", clip, "0", std::to_string(count - 1), raw.string(), "--template", template_}, dir_);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string bytes = ReadBytes(raw);
        EXPECT_EQ(bytes.size(), frameBytes * count);

        // FFmpeg's planar 4:2:0 keeps the stored luma levels ("gray" would expand them to full range).
        const fs::path planar = dir_ / (name + ".yuv");
        const std::string cmd = "ffmpeg -nostdin -loglevel error -y -i '" + clip +
                                "' -f rawvideo -pix_fmt yuv420p '" + planar.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        const std::string yuv = ReadBytes(planar);
        const size_t lumaSize = static_cast<size_t>(width) * height, planarFrame = lumaSize * 3 / 2;
        EXPECT_EQ(yuv.size(), planarFrame * count);
        size_t differing = 0;
        for (size_t n = 0; n < static_cast<size_t>(count) && (n + 1) * planarFrame <= yuv.size(); ++n)
            for (size_t p = 0; p < lumaSize && n * frameBytes + p * 2 < bytes.size(); ++p)
                differing += yuv[n * planarFrame + p] != bytes[n * frameBytes + p * 2];
        EXPECT_EQ(differing, 0u) << name << ": the run's luma differs from FFmpeg's decode";
        return bytes;
    }

    fs::path data_, dir_;
    std::string template_;
};

// Original frame n against encoded frame n + offset.
FrameFigures Reference(const std::string& o, const std::string& e, int n, int width = kWidth, int height = kHeight,
                       int offset = 0) {
    const size_t frameBytes = size_t{2} * width * height;
    const uint8_t* po = reinterpret_cast<const uint8_t*>(o.data()) + frameBytes * n;
    const uint8_t* pe = reinterpret_cast<const uint8_t*>(e.data()) + frameBytes * (n + offset);
    const auto ao = [po, width](int i, int y) { return po[size_t(y) * width * 2 + i]; };
    const auto ae = [pe, width](int i, int y) { return pe[size_t(y) * width * 2 + i]; };
    return {reference::ComputeDistances(ao, ae, width, height), reference::ComputeSsim(ao, ae, width, height)};
}

TEST_F(RealClips, ThreeEncodesAgreeWithALiteralComputation) {
    const std::vector<std::string> encodes{"enc_crf20.mkv", "enc_crf30.mkv", "enc_crf40.mkv"};
    const fs::path out = dir_ / "out";
    const std::string json = (dir_ / "r.json").string();
    std::vector<std::string> args{"analyze", Clip("orig.mkv")};
    for (const auto& e : encodes)
        args.push_back(Clip(e));
    for (const char* a : {"--template1", template_.c_str(), "--template2", template_.c_str(),
                          "--standard-log", "--extended-log", "--storage", out.c_str(), "--json", json.c_str(), "--worst"})
        args.emplace_back(a);
    const CliResult run = RunCliProcess(args, dir_);
    const Json doc = ReadJson(dir_ / "r.json");
    ASSERT_EQ(run.status, 0) << run.err;
    // 60 analysed frames of the first encode: one graph page, drawn without a display.
    const auto pages = FilesEndingWith(out, "_frame_00000.jpg");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(fs::file_size(pages[0]), 10000u);
    EXPECT_TRUE(FilesEndingWith(out, "_frame_00250.jpg").empty());

    const std::string original = Yuy2Frames("orig.mkv");
    const std::vector<std::string> templateLines{"FFVideoSource(\"$FileName\")", "ConvertToYUY2()"};
    double previousQ = 2.0;
    for (int k = 0; k < 3; ++k) {
        std::string suffix = "_";
        suffix += std::to_string(k + 1) + "of3_log.csv";
        const auto logs = FilesEndingWith(out, suffix);
        ASSERT_EQ(logs.size(), 1u);
        EXPECT_EQ(logs[0].filename().string().size(), std::string("bv_20071113_093005_1of3_log.csv").size());
        const Lines log = ReadCrLfLines(logs[0]);
        const Lines header{
            "Brevanta",
            "Version 2007.11.13",
            "",
            "Source File 1: " + Clip("orig.mkv"),
            "Source File 2: " + Clip(encodes[k]),
            "",
            "AviSynth Template 1:",
            templateLines[0],
            templateLines[1],
            "",
            "AviSynth Template 2:",
            templateLines[0],
            templateLines[1],
            "",
            "PC.601 (RGB [0..255] -> YUV [0..255])",
            "PSNR, MSE and Euclidean Distance",
            "SSIM",
            "",
            "Frame;PSNR in Y;ED in YUV;Q in Y;Weighting;SSIM in Y;Lowest Local SSIM in Y;(x1, y1, x2, y2)"};
        ASSERT_GE(log.size(), header.size());
        EXPECT_EQ(Lines(log.begin(), log.begin() + header.size()), header);

        const std::string encoded = Yuy2Frames(encodes[k]);
        const Lines frames = FrameLines(log);
        ASSERT_EQ(frames.size(), size_t{kFrames});
        FileFigures file;
        for (int n = 0; n < kFrames; ++n) {
            const FrameFigures x = Reference(original, encoded, n);
            ExpectFrameLine(frames[n], n, x);
            file.Add(x, n);
        }
        file.ExpectFooter(log);
        ExpectJsonMatchesLog(doc["encodes"][k], log);
        // The picture of the frame with the lowest Q.
        std::string picture = "_";
        picture += std::to_string(k + 1) + "of3_worst_" + FormatFrameNumber(file.lowestFrame) + ".png";
        EXPECT_EQ(FilesEndingWith(out, picture).size(), 1u);
        const std::string psnr = LineValue(log, "PSNR in Y:");
        // FFmpeg's own psnr filter gives the PSNR of the average MSE in Y too.
        const fs::path stats = dir_ / "psnr.txt";
        const std::string cmd = "ffmpeg -nostdin -hide_banner -i '" + Clip(encodes[k]) + "' -i '" + Clip("orig.mkv") +
                                "' -lavfi '[0:v][1:v]psnr' -f null - 2>'" + stats.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        const std::string report = ReadBytes(stats);
        const size_t at = report.find("PSNR y:");
        ASSERT_NE(at, std::string::npos) << report;
        EXPECT_NEAR(std::stod(psnr), std::stod(report.substr(at + 7)), 0.00005 + 1e-9) << "FFmpeg's psnr";
        EXPECT_EQ(LineValue(log, "Lowest Q in Y:"),
                  FormatNumber(file.lowestQ, ".") + " (" + std::to_string(file.lowestFrame) + ")");
        EXPECT_EQ(LineValue(log, "Highest Q in Y:"),
                  FormatNumber(file.highestQ, ".") + " (" + std::to_string(file.highestFrame) + ")");
        // Higher CRF, lower quality.
        EXPECT_LT(file.Q(), previousQ);
        previousQ = file.Q();
    }

    const auto overview = FilesEndingWith(out, "_overview.txt");
    const auto results = FilesEndingWith(out, "_results.txt");
    ASSERT_EQ(overview.size(), 1u);
    ASSERT_EQ(results.size(), 1u);
    const Lines ov = ReadCrLfLines(overview[0]);
    ASSERT_EQ(ov.size(), 3u * 4 + 2);
    EXPECT_EQ(ov[0], Clip(encodes[0]));
    EXPECT_EQ(ov[4], "");
    const Lines res = ReadCrLfLines(results[0]);
    std::string joined;
    for (const auto& line : res)
        joined += line + "\n";
    EXPECT_EQ(run.out, joined);
    for (int k = 0; k < 3; ++k)
        ExpectJsonMatchesResults(doc["encodes"][k], res);
    EXPECT_EQ(std::count(res.begin(), res.end(), std::string("========================================")), 2);
}

TEST_F(RealClips, AnEncodeOfAnotherSizeIsSkippedAndTheOthersComplete) {
    const fs::path out = dir_ / "out";
    const CliResult run =
        RunCliProcess({"analyze", Clip("orig.mkv"), Clip("enc_small.mkv"), Clip("enc_short.mkv"),
                       Clip("enc_crf30.mkv"), "--template1", template_, "--template2", template_, "--start",
                       "45", "--standard-log", "--extended-log", "--no-ssim", "--storage", out.string()},
                      dir_);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(Clip("enc_small.mkv") +
                           ": Not analyzed: both clips must be YUY2 and of the same frame "
                           "size. (Source File 1: 320 x 240 YUY2, Source File 2: 160 x 120 YUY2)"),
              std::string::npos)
        << run.err;
    // The 40-frame encode ends before frame 45.
    EXPECT_NE(run.err.find(Clip("enc_short.mkv") + ": Not analyzed: the start frame lies beyond"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(FilesEndingWith(out, "_1of3_log.csv").empty());
    EXPECT_TRUE(FilesEndingWith(out, "_2of3_log.csv").empty());
    const auto third = FilesEndingWith(out, "_3of3_log.csv");
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(FrameLines(ReadCrLfLines(third[0])).size(), 15u); // frames 45..59
    EXPECT_NE(run.out.find("End Frame: 59"), std::string::npos);
}

// Videos given without templates are read through the shipped FFMS2 template in their own 4:2:0
// format, which each file names in one added line.
TEST_F(RealClips, VideosWithoutTemplatesAreMeasuredInTheirOwnFormat) {
    const fs::path out = dir_ / "out";
    const CliResult run =
        RunCliProcess({"analyze", Clip("orig.mkv"), Clip("enc_crf30.mkv"), "--end", "4", "--standard-log",
                       "--extended-log", "--no-ssim", "--storage", out.string()},
                      dir_);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string line = "Color Space: YV12, 8 bits";
    EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << run.out;
    for (const char* suffix : {"_overview.txt", "_1of1_log.csv"}) {
        const auto files = FilesEndingWith(out, suffix);
        ASSERT_EQ(files.size(), 1u) << suffix;
        const Lines lines = ReadCrLfLines(files[0]);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << suffix;
    }
}

// The server opens both files at once; what the user is told is still the first failure in order.
TEST_F(RealClips, AFileThatCannotBeOpenedIsNamedOriginalFirst) {
    for (const char* name : {"bad_orig.mkv", "bad_enc.mkv"})
        std::ofstream(dir_ / name) << "not a video";
    const std::string badOrig = (dir_ / "bad_orig.mkv").string(), badEnc = (dir_ / "bad_enc.mkv").string();
    for (const auto& [orig, enc, named] : {std::tuple{badOrig, badEnc, badOrig}, std::tuple{Clip("orig.mkv"), badEnc, badEnc},
                                           std::tuple{badOrig, Clip("enc_crf30.mkv"), badOrig}}) {
        const CliResult run = RunCliProcess({"analyze", orig, enc, "--no-ssim", "--storage", dir_.string()}, dir_);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("Can't open '" + named + "'"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Can't open", run.err.find("Can't open") + 1), std::string::npos) << run.err;
    }
}

// The encoder re-run onto the file under analysis: the frames after the cut are never
// compared against a stale frame; the run ends as failed with its log complete so far.
TEST_F(RealClips, AnEncodeCutShortWhileReadFailsTheRunAtTheCut) {
    const fs::path encode = dir_ / "enc.mkv";
    fs::copy_file(Clip("enc_crf30.mkv"), encode);
    struct CutAt20 : RunObserver {
        fs::path file;
        void OnFrame(const FrameReport& r) override {
            if (r.frame == 20)
                fs::resize_file(file, fs::file_size(file) / 2);
        }
    } cut;
    cut.file = encode;
    AnalysisSettings s;
    s.SourceFile1 = Clip("orig.mkv");
    s.Source1Kind = SourceKind::TemplateScript;
    s.Template1 = s.Template2 = {"FFVideoSource(\"$FileName\")", "ConvertToYUY2()"};
    s.SourceFiles2 = {encode.string()};
    s.ExtendedLog = s.StandardLog = true;
    s.StoragePath = (dir_ / "out").string();
    ScriptEnvironment environment;
    GraphTables graph;
    RunContext context;
    context.environment = &environment;
    context.graph = &graph;
    context.observer = &cut;
    const RunOutcome outcome = RunAnalysis(s, context);
    ASSERT_EQ(outcome.status, RunStatus::Failed);
    // Frames read ahead before the cut were read whole; the first one read after it fails.
    const std::string tail = " of \"" + encode.string() + "\" cannot be decoded";
    const size_t at = outcome.error.find(tail);
    ASSERT_NE(at, std::string::npos) << outcome.error;
    const size_t number = outcome.error.rfind("frame ", at);
    ASSERT_NE(number, std::string::npos) << outcome.error;
    const int failed = std::atoi(outcome.error.c_str() + number + 6);
    EXPECT_GE(failed, 21);
    // Frame 20 goes out with the pipeline's other pairs measured and the reader's fetched.
    EXPECT_LE(failed, 20 + MeasurePipeline::kSlots + FramePairSource::kReadAhead);
    const auto logs = FilesEndingWith(dir_ / "out", "_1of1_log.csv");
    ASSERT_EQ(logs.size(), 1u);
    const Lines log = ReadCrLfLines(logs[0]);
    EXPECT_EQ(FrameLines(log).size(), static_cast<size_t>(failed)); // every frame before it
    const auto starts = [](const Lines& lines, const std::string& prefix) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(starts(log, "Start:"), 0) << "a failed file has no footer";
    EXPECT_EQ(starts(outcome.resultsLines, "Error: " + outcome.error), 1) << "the reports say it failed";
}

// Clips of environments of their own are read on a thread each; two files that fail at the
// same frame still name the original, as when one thread reads both.
TEST_F(RealClips, ClipsReadOnThreadsOfTheirOwnNameTheOriginalsFailureFirst) {
    const std::vector<std::string> lines = {"FFVideoSource(\"$FileName\")"};
    ScriptEnvironment originalEnvironment, encodedEnvironment;
    AvsClip clips[2];
    ScriptEnvironment* environments[2] = {&originalEnvironment, &encodedEnvironment};
    std::string paths[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = (dir_ / ("cut" + std::to_string(i) + ".mkv")).string();
        fs::copy_file(Clip("enc_crf30.mkv"), paths[i]);
        clips[i] = OpenSourceClip(*environments[i], paths[i], lines, "cut.avs", false, "template");
    }
    for (const std::string& path : paths)
        fs::resize_file(path, fs::file_size(path) / 2);
    FramePairSource source(clips[0], paths[0], clips[1], paths[1], 0, clips[0].frameCount - 1);
    FramePair pair;
    int read = 0;
    try {
        while (source.Next(pair))
            ++read;
        FAIL() << "read to the end";
    } catch (const EAviSynthCException& e) {
        EXPECT_NE(std::string(e.what()).find(paths[0]), std::string::npos) << e.what();
    }
    EXPECT_GT(read, 0);
}

// A raw AVI cut within a frame ends at its last complete frame instead of repeating one.
TEST_F(RealClips, ARawAviCutWithinAFrameEndsAtItsLastCompleteFrame) {
    const fs::path cut = dir_ / "cut.avi";
    fs::copy_file(Clip("orig_yuy2.avi"), cut);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    const std::string count = dir_ / "count.txt";
    const std::string cmd = "ffprobe -v quiet -count_frames -show_entries stream=nb_read_frames -of csv=p=0 '" +
                            cut.string() + "' > '" + count + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const size_t complete = std::stoul(ReadBytes(count));
    ASSERT_GT(complete, 5u);
    ASSERT_LT(complete, 20u);
    const fs::path out = dir_ / "out";
    const CliResult run = RunCliProcess({"analyze", Clip("orig_yuy2.avi"), cut.string(), "--template1", template_,
                                         "--template2", template_, "--extended-log", "--no-ssim", "--storage",
                                         out.string()},
                                        dir_);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto logs = FilesEndingWith(out, "_1of1_log.csv");
    ASSERT_EQ(logs.size(), 1u);
    const Lines frames = FrameLines(ReadCrLfLines(logs[0]));
    ASSERT_EQ(frames.size(), complete);
    for (const std::string& line : frames)
        EXPECT_EQ(line.substr(6), ";;0") << "every analysed frame is the original's own";
}

// Packed 4:2:2 whose width is 2 more than a multiple of 4 once corrupted the server's heap.
TEST_F(RealClips, Yuy2ClipsOfWidth2Mod4AgreeWithALiteralComputation) {
    for (const auto& [w, h] : {std::pair{854, 480}, std::pair{1366, 768}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        SCOPED_TRACE(size);
        const std::string ff = "cd '" + dir_.string() + "' && ffmpeg -nostdin -loglevel error -y ";
        const std::string make = ff + "-f lavfi -i testsrc2=size=" + size + ":rate=25 -frames:v 3 -vf noise=alls=12:allf=t " +
                                 "-pix_fmt yuyv422 -c:v rawvideo orig_" + size + ".avi && " + ff + "-i orig_" + size +
                                 ".avi -c:v libx264 -crf 30 -preset ultrafast enc_" + size + ".mkv";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        const std::string orig = "orig_" + size + ".avi", enc = "enc_" + size + ".mkv";
        const fs::path out = dir_ / ("out_" + size);
        fs::create_directories(out);
        const CliResult run = RunCliProcess({"analyze", (dir_ / orig).string(), (dir_ / enc).string(), "--template1",
                                             template_, "--template2", template_, "--extended-log", "--storage",
                                             out.string()},
                                            dir_);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string original = Yuy2Frames(orig, w, h, 3, dir_.string());
        const std::string encoded = Yuy2Frames(enc, w, h, 3, dir_.string());
        // The original is YUY2 in the file: the server delivers its bytes unchanged.
        const std::string rawCmd = ff + "-i " + orig + " -f rawvideo -pix_fmt yuyv422 orig.raw";
        ASSERT_EQ(std::system(rawCmd.c_str()), 0);
        EXPECT_TRUE(ReadBytes(dir_ / "orig.raw") == original);
        const auto logs = FilesEndingWith(out, "_1of1_log.csv");
        ASSERT_EQ(logs.size(), 1u);
        const Lines frames = FrameLines(ReadCrLfLines(logs[0]));
        ASSERT_EQ(frames.size(), 3u);
        for (int n = 0; n < 3; ++n)
            ExpectFrameLine(frames[n], n, Reference(original, encoded, n, w, h));
    }
}

// Encodes that lost 3 frames, gained 2 duplicated ones, or 7 black ones at CRF 38: the
// alignment finds each offset, and the figures are those of the same offsets given by hand
// and of the literal computation on the shifted pairs. A still clip cannot be aligned.
TEST_F(RealClips, AlignmentFindsEachOffsetAndTheFiguresFollowIt) {
    const std::vector<std::pair<std::string, int>> encodes{{"enc_lack3.mkv", -3}, {"enc_dup2.mkv", 2}, {"enc_shift7.mkv", 7}};
    const auto run = [&](const std::string& folder, std::vector<std::string> extra) {
        std::vector<std::string> args{"analyze", Clip("orig.mkv")};
        for (const auto& e : encodes)
            args.push_back(Clip(e.first));
        extra.insert(extra.end(), {"--template1", template_, "--template2", template_, "--extended-log", "--storage",
                                   (dir_ / folder).string()});
        args.insert(args.end(), extra.begin(), extra.end());
        fs::create_directories(dir_ / folder);
        const CliResult r = RunCliProcess(args, dir_);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    };
    const CliResult aligned = run("auto", {"--align"});
    const CliResult manual = run("manual", {"--offset", "-3", "--offset", "2", "--offset", "7"});
    const std::string original = Yuy2Frames("orig.mkv");
    for (size_t k = 0; k < encodes.size(); ++k) {
        const auto& [name, offset] = encodes[k];
        const std::string said = Clip(name) + ": Frame Offset: " + std::to_string(offset);
        EXPECT_NE(aligned.err.find(said + " (found automatically)"), std::string::npos) << aligned.err;
        EXPECT_NE(manual.err.find(said + "\n"), std::string::npos) << manual.err;
        std::string suffix = "_";
        suffix += std::to_string(k + 1) + "of3_log.csv";
        const Lines autoLog = ReadCrLfLines(FilesEndingWith(dir_ / "auto", suffix).at(0));
        const Lines manualLog = ReadCrLfLines(FilesEndingWith(dir_ / "manual", suffix).at(0));
        EXPECT_EQ(FrameLines(autoLog), FrameLines(manualLog));
        EXPECT_EQ(autoLog[5], "Frame Offset: " + std::to_string(offset) + " (found automatically)");
        EXPECT_EQ(manualLog[5], "Frame Offset: " + std::to_string(offset));
        EXPECT_NE(std::find(autoLog.begin(), autoLog.end(),
                            "Frame;PSNR in Y;ED in YUV;Q in Y;Weighting;SSIM in Y;Lowest Local SSIM in Y;(x1, y1, x2, "
                            "y2);Encoded Frame"),
                  autoLog.end());

        const int frames = kFrames + offset; // each encode's own length
        const std::string encoded = Yuy2Frames(name, kWidth, kHeight, frames);
        const int first = std::max(0, -offset), last = std::min(kFrames, frames - offset) - 1;
        const Lines lines = FrameLines(autoLog);
        ASSERT_EQ(lines.size(), size_t(last - first + 1));
        FileFigures file;
        for (int n = first; n <= last; ++n) {
            const FrameFigures x = Reference(original, encoded, n, kWidth, kHeight, offset);
            ExpectFrameLine(lines[n - first], n, x, n + offset);
            file.Add(x, n);
        }
        file.ExpectFooter(autoLog);
        EXPECT_NE(aligned.out.find("Frames without a partner: " + std::to_string(kFrames - (last - first + 1))),
                  std::string::npos);
    }

    const CliResult still = RunCliProcess({"analyze", Clip("still.mkv"), Clip("still_enc.mkv"), "--template1", template_,
                                           "--template2", template_, "--align", "--no-ssim"},
                                          dir_);
    ASSERT_EQ(still.status, 0) << still.err;
    EXPECT_NE(still.err.find("The frame offset could not be found automatically; the given offset is used: 0"),
              std::string::npos)
        << still.err;
    EXPECT_NE(still.out.find("Frame Offset: 0 (alignment undecidable)\nFrames without a partner: 0\nStart Frame: 0\nEnd Frame: 39"),
              std::string::npos)
        << still.out;
}

} // namespace
} // namespace bv::testing
