// Videos whose names try to add script code of their own, opened with `brevanta-cli info` and
// `analyze` through the built-in server, and through the AviSynth+ that BREVANTA_AVISYNTH named
// when the suite was configured. The clip is 320 x 240 with 60 frames: a name that ran as script
// (a crop, a 48 x 32 BlankClip) would show in the figures.
#include "analysis/template_script.h"
#include "cli/cli_process.h"

#include <gtest/gtest.h>
#include <tuple>

namespace bv::testing {
namespace {

namespace fs = std::filesystem;

// A name, and the character it is refused for ("" when the clip opens).
using Hostile = std::pair<const char*, const char*>;
const Hostile kNames[] = {
    {"q\"uote.mkv", ""},
    {"a\").Crop(0,0,64,64)#.mkv", ""},
    {"end\"", ""},
    {"back\\", ""},
    {"Überraschung_日本.mkv", ""},
    {"-dash.mkv", ""}, // after "--" on the command line
    {"z.mkv\")\nBlankClip(length=7, width=48, height=32, pixel_type=\"YUY2\")\n#", "a line break (LF)"},
    {"cr\r\").Crop(0,0,64,64)#.mkv", "a carriage return (CR)"},
    {"tab\t.mkv", "a tab"},
    {"tri\"\"\").Crop(0,0,64,64)#.mkv", "three double quotes (\"\"\")"},
};

class HostileNames : public ::testing::TestWithParam<std::tuple<Hostile, bool>> {};

TEST_P(HostileNames, OpenTheRightClipOrAreRefused) {
    const auto [name, refusedFor] = std::get<0>(GetParam());
    const bool real = std::get<1>(GetParam());
    const char* realLibrary = std::getenv("BV_REAL_AVISYNTH");
    if (real && (realLibrary == nullptr || *realLibrary == '\0' || std::string(realLibrary) == "builtin"))
        GTEST_SKIP() << "no AviSynth+ named by BREVANTA_AVISYNTH when the suite was configured";
    setenv("BREVANTA_AVISYNTH", real ? realLibrary : "builtin", 1);

    const fs::path dir = fs::temp_directory_path() / ("bv_hostile_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path data = std::getenv("BREVANTA_TEST_DATA");
    fs::copy_file(data / "orig.mkv", dir / "orig.mkv");
    fs::copy_file(data / "orig.mkv", dir / name);
    std::ofstream(dir / "t.avs", std::ios::binary) << "FFVideoSource(\"$FileName\").ConvertToYUY2()\r\n";
    fs::current_path(dir); // the name is given as it stands, relative

    const CliResult info = RunCliProcess({"info", "--template", "t.avs", "--", name}, dir);
    const CliResult run =
        RunCliProcess({"analyze", "--template1", "t.avs", "--template2", "t.avs", "--end", "1", "--no-ssim",
                       "--extended-log", "--quiet", "--", "orig.mkv", name},
                      dir);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind("bv_", 0) == 0)
            written.push_back(CliProcess::Read(entry.path().string()));
    if (*refusedFor == '\0') {
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find("End Frame: 59\n\nVideo Info:\nFrame Size: 320 x 240\n"), std::string::npos)
            << info.out;
        EXPECT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(written.size(), 1u) << run.err;
        EXPECT_NE(written[0].find("\r\nSource File 2: " + (dir / name).string() + "\r\n"), std::string::npos);
        EXPECT_NE(written[0].find("\r\n000001;"), std::string::npos) << "two frames analysed";
    } else {
        const std::string refusal = "This file name cannot be put into the AviSynth script: " +
                                    VisibleFileName((dir / name).string()) + " (it holds " + refusedFor +
                                    ")\n";
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.err, "brevanta-cli: " + refusal);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, refusal);
        EXPECT_TRUE(written.empty()) << "refused before anything was written";
    }
    fs::current_path(data);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(BuiltinAndAviSynthPlus, HostileNames,
                         ::testing::Combine(::testing::ValuesIn(kNames), ::testing::Bool()));

} // namespace
} // namespace bv::testing
