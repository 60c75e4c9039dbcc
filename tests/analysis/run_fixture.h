// A folder of stand-in sources for runs against stand_in_avs_clip_scripts, and readers for
// what the runs write.
#pragma once

#include "analysis/analysis_run.h"
#include "frame_source/avs_library.h"
#include "frame_source/script_environment.h"
#include "support/stand_in_probe.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace bv::testing {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

inline int FakeClipsOpen() {
    return standin::LoadedCounters().clipsOpen;
}
inline int FakeFramesOpen() {
    return standin::LoadedCounters().framesOpen;
}
inline int FakeWorkerPolicy() {
    return standin::LoadedFunction<int (*)()>("fake_worker_policy")();
}
inline int FakeFetchPolicy() {
    return standin::LoadedFunction<int (*)()>("fake_fetch_policy")();
}
inline int FakeOverlappingCalls() {
    return standin::LoadedCounters().overlappingCalls;
}
inline std::string FakeImports() {
    return standin::LoadedFunction<const char* (*)()>("fake_imports")();
}
inline void FakeReset() {
    standin::LoadedFunction<void (*)()>("fake_reset")();
}

// The file's lines; every line must end with CR LF.
inline Lines ReadCrLfLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            ADD_FAILURE() << path << " does not end with a line end";
            lines.push_back(text.substr(start));
            break;
        }
        EXPECT_TRUE(lf > start && text[lf - 1] == '\r')
            << path << ": line " << lines.size() + 1 << " ends in LF alone";
        lines.push_back(text.substr(start, lf > start && text[lf - 1] == '\r' ? lf - 1 - start : lf - start));
        start = lf + 1;
    }
    return lines;
}

// Files in `folder` whose names end with `suffix`, sorted.
inline std::vector<fs::path> FilesEndingWith(const fs::path& folder, const std::string& suffix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The frame lines of a CSV log: the lines between the column heads and the footer.
inline Lines FrameLines(const Lines& log) {
    Lines frames;
    bool inFrames = false;
    for (const std::string& line : log) {
        if (line.rfind("Frame;", 0) == 0) // the column heads (not "Frame Offset:")
            inFrames = true;
        else if (inFrames && line.empty())
            break;
        else if (inFrames)
            frames.push_back(line);
    }
    return frames;
}

// What follows "label " on the first line that starts with it.
inline std::string LineValue(const Lines& lines, const std::string& label) {
    for (const auto& line : lines)
        if (line.rfind(label + " ", 0) == 0)
            return line.substr(label.size() + 1);
    ADD_FAILURE() << "no line " << label;
    return "nan";
}

// The last field of a CSV frame line for the window whose top-left corner is (x, y).
inline std::string WindowCorners(int x, int y) {
    std::string text = "(";
    text += std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(x + 7) + ", " + std::to_string(y + 7);
    return text + ")";
}

class RunFolder : public ::testing::Test {
protected:
    static ScriptEnvironment& Environment() {
        static ScriptEnvironment environment;
        return environment;
    }

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("bv_run_" + std::string(info->test_suite_name()) + "_" +
                                            info->name() + "_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        FakeReset();
    }
    void TearDown() override {
        EXPECT_EQ(FakeClipsOpen(), 0) << "clips left open";
        EXPECT_EQ(FakeFramesOpen(), 0) << "frames left unreleased";
        if (!HasFailure())
            fs::remove_all(dir_);
    }

    // A source file that the fake reads: "clip w=.. h=.. frames=.. seed=.." and so on.
    std::string Source(const std::string& name, const std::string& spec) {
        const fs::path path = dir_ / name;
        std::ofstream(path) << spec << "\n";
        return path.string();
    }

    AnalysisSettings Settings(const std::string& source1, const std::vector<std::string>& sources2) {
        AnalysisSettings s;
        s.SourceFile1 = source1;
        s.Source1Kind = SourceKindOf(source1);
        s.Template1 = {"FakeSource(\"$FileName\")"};
        s.Template2 = {"FakeSource(\"$FileName\")"};
        s.SourceFiles2 = sources2;
        s.ItuCaption = "PC.601 (RGB [0..255] -> YUV [0..255])";
        s.ExtendedLog = true;
        s.StandardLog = true;
        return s;
    }

    RunOutcome Run(const AnalysisSettings& s, RunObserver* observer = nullptr, GraphExporter exporter = {},
                   std::function<bool()> shutdown = {}) {
        RunContext context;
        context.environment = &Environment();
        context.graph = &graph_;
        context.stopRequested = &stop_;
        context.observer = observer;
        context.exportGraphPages = std::move(exporter);
        context.shutdownSystem = shutdown ? std::move(shutdown) : [this] {
            ++shutdownCalls_;
            return true;
        };
        return RunAnalysis(s, context);
    }

    std::vector<fs::path> FilesEndingWith(const std::string& suffix, const fs::path& folder = {}) const {
        return bv::testing::FilesEndingWith(folder.empty() ? dir_ : folder, suffix);
    }

    fs::path dir_;
    GraphTables graph_;
    std::atomic<bool> stop_{false};
    int shutdownCalls_ = 0;
};

inline std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t semi = line.find(';', start);
        fields.push_back(line.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return fields;
}

} // namespace bv::testing
