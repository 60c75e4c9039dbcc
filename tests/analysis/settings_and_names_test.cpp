// Reading and checking the settings; where files go and what they are called.
#include "analysis/analysis_settings.h"
#include "analysis/live_figures.h"
#include "analysis/pair_check.h"
#include "analysis/run_file_names.h"
#include "analysis/text_file.h"
#include "analysis/time_stamp.h"
#include "frame_source/avs_clip.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace bv {
namespace {

// Which pairs of clips are measured, and what the others are told: the call that makes them
// equal, on the clip that holds more.
TEST(PairCheck, SameYuvFormatDepthAndSizeAreMeasuredOthersAreToldWhatMakesThemEqual) {
    const auto clip = [](const char* format, int width = 64, int height = 48) {
        AvsClip c;
        c.format = avs::FindPixelFormat(format);
        c.pixelType = c.format->pixelType;
        c.width = width;
        c.height = height;
        return c;
    };
    const auto refusal = [&](const char* a, const char* b, int width2 = 64) {
        return CheckPair(clip(a), clip(b, width2), {}).refusal;
    };
    for (const char* f : {"YUY2", "YV12", "YV16", "YV24", "Y8", "YUV420P10", "YUV444P16", "Y16"})
        EXPECT_TRUE(CheckPair(clip(f), clip(f), {}).measure.has_value()) << f;
    EXPECT_TRUE(CheckPair(clip("YV12"), clip("I420"), {}).measure.has_value()); // plane order only
    const std::string both =
        "Not analyzed: both clips must have the same color space, bit depth and frame size. ";
    const std::string call = " To make them equal, add this call to the AviSynth template of Source File ";
    EXPECT_EQ(refusal("YUY2", "YV12"), both + "(Source File 1: 64 x 48 YUY2, Source File 2: 64 x 48 YV12)" +
                                           call + "1: .ConvertToYV12()");
    EXPECT_EQ(refusal("YV12", "YUV420P10"),
              both + "(Source File 1: 64 x 48 YV12, Source File 2: 64 x 48 YUV420P10)" + call +
                  "2: .ConvertBits(8)");
    EXPECT_EQ(refusal("YUV444P10", "YV12"),
              both + "(Source File 1: 64 x 48 YUV444P10, Source File 2: 64 x 48 YV12)" + call +
                  "1: .ConvertToYV12().ConvertBits(8)");
    EXPECT_EQ(refusal("YV16", "YUY2"), both + "(Source File 1: 64 x 48 YV16, Source File 2: 64 x 48 YUY2)" +
                                           call + "2: .ConvertToYV16()");
    EXPECT_EQ(refusal("YV12", "Y8"),
              both + "(Source File 1: 64 x 48 YV12, Source File 2: 64 x 48 Y8)" + call + "1: .ConvertToY8()");
    EXPECT_EQ(refusal("YV12", "YV12", 32),
              both + "(Source File 1: 64 x 48 YV12, Source File 2: 32 x 48 YV12)");
    EXPECT_EQ(refusal("YUY2", "YUY2", 32),
              "Not analyzed: both clips must be YUY2 and of the same frame size. "
              "(Source File 1: 64 x 48 YUY2, Source File 2: 32 x 48 YUY2)");
    EXPECT_EQ(refusal("RGB32", "YV12"), "Not analyzed: the metrics measure YUV video, not RGB. "
                                        "(Source File 1: 64 x 48 RGB32, Source File 2: 64 x 48 YV12)");
    AvsClip odd = clip("YV12", 63);
    EXPECT_EQ(CheckPair(odd, clip("YV12", 63), {}).refusal,
              "Not analyzed: the metrics cannot measure this color space. (Source File 1: 63 x 48 YV12, "
              "Source File 2: "
              "63 x 48 YV12)");
}

TEST(FrameNumberText, DecimalIntegersOnly) {
    EXPECT_EQ(ParseFrameNumberText("0"), 0);
    EXPECT_EQ(ParseFrameNumberText("-1"), -1);
    EXPECT_EQ(ParseFrameNumberText(" 250 "), 250);
    EXPECT_EQ(ParseFrameNumberText("+7"), 7);
    EXPECT_EQ(ParseFrameNumberText("-2147483648"), -2147483648LL);
    for (const char* bad : {"", " ", "-", "12a", "1.5", "0x10", "2147483648", "99999999999999999999"}) {
        try {
            ParseFrameNumberText(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(SettingsCheck, NegativeValuesAndTheTwoRefusals) {
    AnalysisSettings s;
    s.StartFrame = -5;
    s.EndFrame = -7;
    NormaliseFrameRange(s);
    EXPECT_EQ(s.StartFrame, 0);
    EXPECT_EQ(s.EndFrame, -1);
    EXPECT_EQ(ValidateSettings(s), "");

    s.StartFrame = 1000; // open end: any start goes
    EXPECT_EQ(ValidateSettings(s), "");
    s.EndFrame = 999;
    s.MetricPsnr = s.MetricSsim = false; // the frame range is named first
    EXPECT_EQ(ValidateSettings(s), "Check your frames to be analyzed settings.");
    s.EndFrame = 1000;
    EXPECT_EQ(ValidateSettings(s), "Check your metric settings.");
    s.MetricSsim = true;
    EXPECT_EQ(ValidateSettings(s), "");
    // Every source's name is checked against its template before a script is written.
    s.Template2 = {"FFVideoSource(\"$FileName\")"};
    s.SourceFiles2 = {"/v/ok.mkv", "/v/odd\".avs", "/v/b\"\"\"d.mkv"};
    EXPECT_EQ(ValidateSettings(s), "This file name cannot be put into the AviSynth script: /v/b\"\"\"d.mkv "
                                   "(it holds three double quotes (\"\"\"))");
    s.SourceFiles2.pop_back();
    // No placeholder in template 1: a control character is refused all the same.
    s.SourceFile1 = "/v/a\tb.mkv";
    EXPECT_EQ(ValidateSettings(s),
              "This file name cannot be put into the AviSynth script: /v/a?b.mkv (it holds a tab)");
}

// Where "$FileName" stands decides what the path may hold: it becomes part of one string, or
// the name is refused with the character named.
TEST(TemplateScript, APathBecomesOneStringOrIsRefused) {
    struct Case {
        std::vector<std::string> lines;
        // expected: the script's lines joined by "|", or "!" and the end of the refusal
        std::string path, expected;
    };
    const Case cases[] = {
        {{"A(\"$FileName\", \"$filename.idx\")", "# $FILENAME"},
         "/v/my file.mkv",
         "A(\"/v/my file.mkv\", \"/v/my file.mkv.idx\")|# /v/my file.mkv"},
        {{"A(\"$FileName\")"}, "/v/a\").Crop(0,0,64,64)#.mkv", "A(\"\"\"/v/a\").Crop(0,0,64,64)#.mkv\"\"\")"},
        {{"A(\"\"\"$FileName\"\"\")"}, "/v/end\"", "A(\"\"\"/v/end\"\"\"\")"},
        {{"A(\"x", "$FileName\")"}, "/v/é\\", "A(\"x|/v/é\\\")"},     // a string spans lines
        {{"# \"$FileName", "A(1)"}, "/v/\"q\"", "# \"/v/\"q\"|A(1)"}, // in a comment up to the line end
        {{"A(\"$FileName\")"}, "/v/x\"\"\".mkv", "!three double quotes (\"\"\"))"},
        {{"A($FileName)"}, "/v/\"", "!a double quote (\"))"},
        {{"A(\"$FileName\"\"\")"}, "/v/\"", "!a double quote (\"))"},
        {{"A(\"$FileName"}, "/v/\"", "!a double quote (\"))"}, // unterminated
        {{"A(e\"$FileName\")"}, "/v\\n", "!a backslash (\\))"},
        {{"/* $FileName */"}, "/v/*/x", "!the comment end */)"},
        {{"[* $FileName *]"}, "/v/[*x", "!the comment start [*)"},
        {{"A(\"$FileName\")"}, "/v/a\x7f", "!the control character 0x7F)"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            for (const std::string& line : FillTemplate(c.lines, c.path))
                got += (got.empty() ? "" : "|") + line;
        } catch (const FileNameRefused& e) {
            got = std::string("!") + e.what();
            EXPECT_NE(got.find(VisibleFileName(c.path)), std::string::npos) << got;
            got = "!" + got.substr(got.find("(it holds ") + 10);
        }
        EXPECT_EQ(got, c.expected) << c.path;
    }
    // A refused name leaves the last script as it was.
    const std::string script =
        std::filesystem::temp_directory_path() / ("bv_refused_" + std::to_string(getpid()));
    WriteTextLines(script, {"old"});
    EXPECT_THROW(WriteTemplateScript({"A(\"$FileName\")"}, "/v/a\nb", script), FileNameRefused);
    EXPECT_EQ(ReadTextLines(script), std::vector<std::string>{"old"});
    std::filesystem::remove(script);
}

TEST(RunFileNames, StorageFolderBaseNamesAndStamps) {
    // Empty: the folder of Source File 1.
    EXPECT_EQ(StorageFolderFor("", "/v/orig.mkv", "/w/enc.mkv"), "/v/");
    EXPECT_EQ(StorageFolderFor("", "orig.mkv", "/w/enc.mkv"), "./");
    // Absolute, with or without a closing slash.
    EXPECT_EQ(StorageFolderFor("/out", "/v/orig.mkv", "/w/enc.mkv"), "/out/");
    EXPECT_EQ(StorageFolderFor("/out/", "/v/orig.mkv", "/w/enc.mkv"), "/out/");
    // Relative: the folder of the Source File 2 at hand.
    EXPECT_EQ(StorageFolderFor("logs", "/v/orig.mkv", "/w/enc.mkv"), "/w/logs/");
    EXPECT_EQ(StorageFolderFor("../logs/", "/v/orig.mkv", "/x/y/enc.mkv"), "/x/y/../logs/");

    EXPECT_EQ(BaseNameFor("20071113_093005", 0, 3), "20071113_093005_1of3");
    EXPECT_EQ(CsvLogFileName("20071113_093005_1of3"), "bv_20071113_093005_1of3_log.csv");
    EXPECT_EQ(OverviewFileName("20071113_093005"), "bv_20071113_093005_overview.txt");
    EXPECT_EQ(ResultsFileName("20071113_093005"), "bv_20071113_093005_results.txt");

    std::tm t{};
    t.tm_year = 2007 - 1900;
    t.tm_mon = 10;
    t.tm_mday = 3;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(DateTimeStamp(t), "20071103_090507");
    EXPECT_EQ(TimeOfDayText(t), "09:05:07");
    // The stamp after a taken one: one second on, across days and years.
    EXPECT_EQ(NextStamp("20071103_090507"), "20071103_090508");
    EXPECT_EQ(NextStamp("20071231_235959"), "20080101_000000");
}

TEST(LiveFigureTexts, PsnrStaysEmptyWithoutAFigure) {
    FileTotals t;
    t.AnalysedCount = 2;
    t.SumMse[0] = 2;
    t.SumWeight = 2;
    t.SumWeightedQ = 1.8;
    t.LowestQ = 0.8;
    t.LowestQFrame = 3;
    const LiveFigures f = MakeLiveFigures(t);
    EXPECT_EQ(f.psnrY, "48.1308 dB");
    EXPECT_EQ(f.qY, "0.9");
    EXPECT_EQ(f.lowestQ, "0.8 (3)");
    t.SumMse[0] = 0;
    EXPECT_EQ(MakeLiveFigures(t).psnrY, "");
    EXPECT_EQ(FilePositionText(1, 3), "2 of 3");

    // A 10-bit grey clip: PSNR against 1023, and no U, V or YUV figures.
    t.SumMse[0] = 2;
    t.SumMse[1] = t.SumEd[2] = t.SumEdYuv = 4;
    t.Format = avs::FindPixelFormat("Y10");
    const LiveFigures grey = MakeLiveFigures(t);
    EXPECT_EQ(grey.psnrY, "60.1975 dB");
    EXPECT_EQ(grey.mse[0], "1");
    EXPECT_EQ(grey.mse[1] + grey.mse[2] + grey.ed[1] + grey.ed[2] + grey.edYuv, "");
}

} // namespace
} // namespace bv
