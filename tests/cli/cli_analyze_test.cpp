// `brevanta-cli analyze` as a user runs it, against the stand-in AviSynth library.
#include "analysis/json_figures.h"
#include "analysis/run_fixture.h"
#include "cli/cli_process.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

namespace bv::testing {
namespace {

class CliAnalyze : public RunFolder {
protected:
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), "analyze");
        return RunCliProcess(args, dir_);
    }
    std::string Template(const std::string& name) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << "FakeSource(\"$FileName\")\r\n";
        return path.string();
    }
    static std::string Joined(const Lines& lines) {
        std::string text;
        for (const auto& l : lines)
            text += l + "\n";
        return text;
    }
};

TEST_F(CliAnalyze, RefusedSettingsExitWithStatus2AndWriteNothing) {
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=4");
    CliResult r = Cli({s1, s1, "--start", "10", "--end", "5", "--no-psnr", "--no-ssim", "--standard-log"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Check your frames to be analyzed settings.\n");
    r = Cli({s1, s1, "--no-psnr", "--no-ssim", "--standard-log"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Check your metric settings.\n");
    r = Cli({s1, s1, "--start", "abc"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "'abc' is not a valid integer value\n");
    EXPECT_TRUE(FilesEndingWith(".txt").empty());

    // Videos without a template are read through the shipped FFMS2 template, said once (this
    // stand-in reads no FFVideoSource: the run fails there), and not at all with --quiet.
    const std::string note =
        "Videos given without a template are opened through: " + ProgramFilesHere().templatesFolder +
        "/FFMS2.avs\n";
    r = Cli({s1, (dir_ / "enc.mkv").string(), (dir_ / "enc2.mkv").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find(note), 0u) << r.err;
    EXPECT_EQ(r.err.find(note, 1), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("FFMS2.avs", note.size()), std::string::npos) << "the error names the template";
    r = Cli({s1, (dir_ / "enc.mkv").string(), "--quiet"});
    EXPECT_EQ(r.err.find(note), std::string::npos) << r.err;
}

TEST_F(CliAnalyze, WritesTheRunsFilesAndPrintsTheResults) {
    const std::string s1 = Source("orig.mkv", "clip w=16 h=16 frames=5");
    const std::string a = Source("a.mkv", "clip w=16 h=16 frames=5 seed=1 noise=2");
    const std::string b = Source("b.avs", "clip w=16 h=16 frames=5 seed=2 noise=4");
    const fs::path out = dir_ / "out";
    fs::create_directories(out);
    const CliResult r =
        Cli({s1, a, b, "--template1", Template("t1.avs"), "--template2", Template("t2.avs"), "--start", "1",
             "--end", "3", "--standard-log", "--extended-log", "--storage", out.string(), "--itu", "rec601"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto results = FilesEndingWith("_results.txt", out);
    ASSERT_EQ(results.size(), 1u);
    const Lines text = ReadCrLfLines(results[0]);
    EXPECT_EQ(r.out, Joined(text));
    EXPECT_EQ(FilesEndingWith("_overview.txt", out).size(), 1u);
    ASSERT_EQ(FilesEndingWith("_log.csv", out).size(), 2u);

    // Both templates are quoted, the range and the colour standard are the ones given.
    EXPECT_EQ(text[0], "Source File 1: " + s1);
    EXPECT_EQ(text[3], "AviSynth Template 1:");
    EXPECT_EQ(text[4], "FakeSource(\"$FileName\")");
    EXPECT_EQ(text[6], "AviSynth Template 2:");
    EXPECT_EQ(text[9], "Start Frame: 1");
    EXPECT_EQ(text[10], "End Frame: 3");
    EXPECT_EQ(text[11], "REC.601 (RGB [0..255] -> YUV [16..235])");
    const Lines log = ReadCrLfLines(FilesEndingWith("_2of2_log.csv", out)[0]);
    EXPECT_EQ(log[4], "Source File 2: " + b);
    EXPECT_EQ(FrameLines(log).front().substr(0, 7), "000001;");
}

TEST_F(CliAnalyze, RelativeSourcesAreTakenFromTheWorkingDirectoryQuietPrintsNothing) {
    Source("orig.avs", "clip w=16 h=16 frames=3");
    Source("enc.avs", "clip w=16 h=16 frames=3 seed=1 noise=1");
    const fs::path saved = fs::current_path();
    fs::current_path(dir_);
    const CliResult r = RunCliProcess({"analyze", "orig.avs", "enc.avs", "--standard-log", "--quiet"}, dir_);
    fs::current_path(saved);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const auto results = FilesEndingWith("_results.txt");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(ReadCrLfLines(results[0])[0], "Source File 1: " + (dir_ / "orig.avs").string());
}

TEST_F(CliAnalyze, AnAviSynthErrorExitsWith1AndItsText) {
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=3");
    const std::string broken = Source("broken.avs", "error Script error: there is no function named 'Foo'.");
    const CliResult r = Cli({s1, broken, "--standard-log"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Script error: there is no function named 'Foo'."), std::string::npos) << r.err;
}

// Ctrl-C, and SIGTERM and SIGHUP as `kill`, `timeout` or a closed terminal send them.
TEST_F(CliAnalyze, CtrlCTermAndHangUpStopAfterTheCurrentFrameAndReportWhatWasAnalysed) {
    // --shutdown must not reach the real logind should the stop go wrong.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/brevanta-test-bus", 1);
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=200 delay=20");
    const std::string a = Source("a.avs", "clip w=16 h=16 frames=200 seed=1 noise=2");
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        for (const auto& f : fs::directory_iterator(dir_))
            if (f.path().filename().string().rfind("bv_", 0) == 0)
                fs::remove(f.path());
        CliProcess cli({"analyze", s1, a, a, "--standard-log", "--extended-log", "--shutdown"}, dir_);
        // Wait until the first log holds a few frames.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        size_t frames = 0;
        while (frames < 3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const auto logs = FilesEndingWith("_1of2_log.csv");
            if (!logs.empty())
                frames = FrameLines(ReadCrLfLines(logs[0])).size();
        }
        ASSERT_GE(frames, 3u);
        cli.Signal(signal);
        const CliResult r = cli.Wait();
        EXPECT_EQ(r.status, status) << r.err;

        const Lines log = ReadCrLfLines(FilesEndingWith("_1of2_log.csv")[0]);
        EXPECT_EQ(log.back().rfind("Highest Q in Y: ", 0), 0u); // closed with its footer
        const size_t analysed = FrameLines(log).size();
        EXPECT_LT(analysed, 200u);
        EXPECT_TRUE(FilesEndingWith("_2of2_log.csv").empty());
        const auto overview = FilesEndingWith("_overview.txt");
        ASSERT_EQ(overview.size(), 1u);
        const Lines ov = ReadCrLfLines(overview[0]);
        EXPECT_EQ(ov[1], "Start Frame: 0");
        EXPECT_EQ(ov[2], "End Frame: " + std::to_string(analysed - 1));
        // Said in so many words: where the run stopped, and the encode it never began.
        const Lines stopNote{"", "The run was stopped after frame: " + std::to_string(analysed - 1), "Not analyzed:", a};
        ASSERT_GE(ov.size(), stopNote.size());
        EXPECT_EQ(Lines(ov.end() - 4, ov.end()), stopNote);
        EXPECT_NE(r.out.find("End Frame: " + std::to_string(analysed - 1)), std::string::npos);
    }
}

// A template that reads no chosen file is pointed out; a failed write on standard output is
// an error.
TEST_F(CliAnalyze, TemplateFaultsAndAFullStandardOutputAreSaid) {
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=3");
    const std::string a = Source("a.mkv", "clip w=16 h=16 frames=3 seed=1 noise=2");
    const fs::path fixed = dir_ / "fixed.avs";
    std::ofstream(fixed, std::ios::binary) << "FakeSource(\"" << a << "\")\r\n";
    const CliResult r = Cli({s1, a, "--template2", fixed.string(), "--standard-log"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string warning = "Warning: AviSynth Template 2 has no $FileName: the figures are those of the "
                                "video the template names, not of Source File 2.";
    EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
    EXPECT_NE(r.out.find(warning), std::string::npos) << r.out;

    const std::string exe = ProgramFolder() + "brevanta-cli";
    for (const std::string& command : {"analyze '" + s1 + "' '" + s1 + "'", "info '" + s1 + "'"}) {
        const int raw = std::system((exe + " " + command + " >/dev/full 2>'" + (dir_ / "err").string() + "'").c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << command;
        EXPECT_NE(CliProcess::Read((dir_ / "err").string()).find("Cannot write file \"-\""), std::string::npos)
            << command;
    }
}

// --json: standard output carries the document alone; a file that cannot be written refuses
// the run before it starts. --worst needs SSIM.
TEST_F(CliAnalyze, JsonOnStandardOutputAndOutputsThatCannotBeWrittenAreRefusedFirst) {
    const std::string s1 = Source("orig.avs", "clip w=16 h=16 frames=3");
    const std::string a = Source("a.avs", "clip w=16 h=16 frames=3 seed=1 noise=2");
    CliResult r = Cli({s1, a, "--json", "-", "--standard-log"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json doc = Json::parse(r.out);
    EXPECT_EQ(doc["status"], "completed");
    EXPECT_EQ(doc["encodes"][0]["frames"].size(), 3u);
    ExpectJsonMatchesResults(doc["encodes"][0], ReadCrLfLines(FilesEndingWith("_results.txt").at(0)));

    const std::string nowhere = (dir_ / "no" / "r.json").string();
    r = Cli({s1, a, "--json", nowhere, "--standard-log"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Cannot create file \"" + nowhere + "\": No such file or directory\n");
    EXPECT_EQ(FilesEndingWith("_overview.txt").size(), 1u); // the first run's only
    r = Cli({s1, a, "--no-ssim", "--worst"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--worst"), std::string::npos) << r.err;
}

} // namespace
} // namespace bv::testing
