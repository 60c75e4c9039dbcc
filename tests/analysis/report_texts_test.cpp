// The texts of a run, line by line: CSV header, frame lines, footer, overview and results blocks.
#include "analysis/file_totals.h"
#include "analysis/number_format.h"
#include "analysis/report_texts.h"

#include "analysis/csv_log.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every write() this program makes to a file other than the standard streams, while a test
// watches: what a kill at any moment could leave half done.
namespace {
bool watchingWrites = false;
std::vector<std::string> fileWrites;
} // namespace
extern "C" ssize_t write(int fd, const void* data, size_t size) {
    if (watchingWrites && fd > 2)
        fileWrites.emplace_back(static_cast<const char*>(data), size);
    return syscall(SYS_write, fd, data, size);
}

namespace bv {
namespace {

using Lines = std::vector<std::string>;

AnalysisSettings BothMetrics() {
    AnalysisSettings s;
    s.SourceFile1 = "/v/orig.mkv";
    s.SourceFiles2 = {"/v/a.mkv", "/v/b.mkv"};
    s.ItuCaption = "PC.601 (RGB [0..255] -> YUV [0..255])";
    return s;
}

std::string Join(const Lines& fields) {
    std::string s;
    for (const auto& f : fields)
        s += f;
    return s;
}

// Two frames: MSE in Y 0 and 2, so the file's PSNR is that of MSE 1.
FileTotals TwoFrames() {
    FileTotals t;
    t.AnalysedCount = 2;
    AddPsnrFrame(t, {0, 0, 0, 0, 0, 0, 0});
    AddPsnrFrame(t, {2, 4, 6, 1, 2, 3, 1.5});
    AddSsimFrame(t, {0.9, 100, 0.95, 200, 0.5, 3, 4}, 10);
    AddSsimFrame(t, {0.8, 300, 0.85, 200, 0.4, 5, 6}, 11);
    t.StartTime = "09:30:05";
    t.EndTime = "09:31:00";
    return t;
}

TEST(NumberFormat, RoundsToFourDecimalsAndWritesTheShortestForm) {
    EXPECT_EQ(FormatNumber(0.98765, "."), "0.9877");
    EXPECT_EQ(FormatNumber(12.5, "."), "12.5");
    EXPECT_EQ(FormatNumber(0.98765, ","), "0,9877");
    EXPECT_EQ(FormatNumber(0, "."), "0");
    EXPECT_EQ(FormatNumber(-0.00004, "."), "0");
    EXPECT_EQ(FormatNumber(-1.23456, "."), "-1.2346");
    EXPECT_EQ(FormatNumber(20.0 * std::log10(255.0), "."), "48.1308");
    EXPECT_EQ(FormatNumber(1234567.25, "."), "1234567.25");
    EXPECT_EQ(FormatFrameNumber(7), "000007");
    EXPECT_EQ(FormatFrameNumber(42), "000042");
    EXPECT_EQ(FormatFrameNumber(1234567), "1234567");
}

TEST(CsvLogText, HeaderQuotesTemplatesAndNamesTheChosenColumns) {
    AnalysisSettings s = BothMetrics();
    s.Template1 = {"FFVideoSource(\"$FileName\")", "ConvertToYUY2()"};
    s.LogTemplate1 = true;
    s.Template2 = {"x"};
    s.LogTemplate2 = false; // given but not quoted
    const Lines expected{
        "Brevanta",
        "Version 2007.11.13",
        "",
        "Source File 1: /v/orig.mkv",
        "Source File 2: /v/a.mkv",
        "",
        "AviSynth Template 1:",
        "FFVideoSource(\"$FileName\")",
        "ConvertToYUY2()",
        "",
        "PC.601 (RGB [0..255] -> YUV [0..255])",
        "PSNR, MSE and Euclidean Distance",
        "SSIM",
        "",
        "Frame;PSNR in Y;ED in YUV;Q in Y;Weighting;SSIM in Y;Lowest Local SSIM in Y;(x1, y1, x2, y2)"};
    EXPECT_EQ(CsvHeaderLines(s, "/v/a.mkv"), expected);

    s.MetricPsnr = false;
    EXPECT_EQ(CsvHeaderLines(s, "/v/a.mkv").back(),
              "Frame;Q in Y;Weighting;SSIM in Y;Lowest Local SSIM in Y;(x1, y1, x2, y2)");
    s.MetricPsnr = true;
    s.MetricSsim = false;
    const Lines psnrOnly = CsvHeaderLines(s, "/v/a.mkv");
    EXPECT_EQ(psnrOnly.back(), "Frame;PSNR in Y;ED in YUV");
    EXPECT_EQ(psnrOnly[psnrOnly.size() - 3], "PSNR, MSE and Euclidean Distance");
}

TEST(CsvLogText, EveryLineReachesTheFileInOneWrite) {
    const AnalysisSettings s = BothMetrics();
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bv_one_write_" + std::to_string(getpid()) + ".csv")).string();
    const PsnrFrameResult one{1, 0, 0, 1, 0, 0, 1};
    const SsimFrameResult worst{0.912345, 10, 0.987654, 3, 0.25, 12, 30};
    fileWrites.clear();
    watchingWrites = true;
    {
        CsvLog log;
        log.Open(path, s, "/v/a.mkv");
        log.WriteFrame(0, &one, &worst);
        log.WriteFrame(1, &one, &worst);
        log.Finish(TwoFrames());
    }
    watchingWrites = false;
    std::filesystem::remove(path);
    ASSERT_GT(fileWrites.size(), 20u);
    for (const std::string& w : fileWrites) {
        EXPECT_EQ(w.find("\r\n"), w.size() - 2) << "not one whole line: " << w;
    }
    EXPECT_EQ(std::count(fileWrites.begin(), fileWrites.end(),
                         "000001;48.1308;1;0.9877;3.3333;0.9123;0.25;(12, 30, 19, 37)\r\n"),
              1);
}

TEST(CsvLogText, FrameLines) {
    AnalysisSettings s = BothMetrics();
    const PsnrFrameResult identical{};
    const SsimFrameResult perfect{1, 50, 1, 100, 1, 0, 0};
    // Identical frames: no PSNR, and the distance is 0.
    EXPECT_EQ(Join(CsvFrameFields(s, 0, &identical, &perfect)), "000000;;0;1;0.5;1;1;(0, 0, 7, 7)");

    const PsnrFrameResult one{1, 0, 0, 1, 0, 0, 1};
    const SsimFrameResult worst{0.912345, 10, 0.987654, 3, 0.25, 12, 30};
    EXPECT_EQ(Join(CsvFrameFields(s, 1234567, &one, &worst)),
              "1234567;48.1308;1;0.9877;3.3333;0.9123;0.25;(12, 30, 19, 37)");

    s.MetricPsnr = false;
    const Lines ssimOnly = CsvFrameFields(s, 7, nullptr, &worst);
    ASSERT_EQ(ssimOnly.size(), 6u);
    EXPECT_EQ(ssimOnly[0], "000007");

    // Too small for one window: no mean weight.
    const SsimFrameResult none{0, 0, 0, 0, 1, 0, 0};
    EXPECT_EQ(Join(CsvFrameFields(s, 3, nullptr, &none)), "000003;0;;0;1;(0, 0, 7, 7)");
}

TEST(CsvLogText, FooterBlocks) {
    const AnalysisSettings s = BothMetrics();
    const Lines expected{"",
                         "Start: 09:30:05",
                         "End: 09:31:00",
                         "",
                         "PSNR in Y: 48.1308 dB",
                         "MSE in Y: 1",
                         "MSE in U: 2",
                         "MSE in V: 3",
                         "Euclidean Distance in Y: 0.5",
                         "Euclidean Distance in U: 1",
                         "Euclidean Distance in V: 1.5",
                         "Euclidean Distance in YUV: 0.75",
                         "",
                         "Q in Y: 0.875", // (100 * 0.95 + 300 * 0.85) / 400
                         "SSIM in Y: 0.85",
                         "",
                         "Lowest Q in Y: 0.85 (11)",
                         "Highest Q in Y: 0.95 (10)"};
    EXPECT_EQ(CsvFooterLines(s, TwoFrames()), expected);
}

TEST(CsvLogText, IdenticalClipsHaveABarePsnrLabelAndNoFrameMeansNoFigures) {
    const AnalysisSettings s = BothMetrics();
    FileTotals t;
    t.AnalysedCount = 3;
    for (int f = 0; f < 3; ++f) {
        AddPsnrFrame(t, {});
        AddSsimFrame(t, {1, 10, 1, 10, 1, 0, 0}, f);
    }
    const Lines footer = CsvFooterLines(s, t);
    EXPECT_EQ(footer[4], "PSNR in Y:");
    EXPECT_EQ(footer[footer.size() - 2], "Lowest Q in Y: 1 (0)");
    EXPECT_EQ(footer.back(), "Highest Q in Y: 1 (0)");

    FileTotals none;
    none.StartTime = none.EndTime = "10:00:00";
    const Lines empty = CsvFooterLines(s, none);
    EXPECT_EQ(empty, (Lines{"", "Start: 10:00:00", "End: 10:00:00", "", "No frame analyzed."}));
}

// Every format but YUY2 is named in one added line of each file; a grey clip's U, V and YUV
// figures are left out, and PSNR takes the peak of the clip's bit depth.
TEST(CsvLogText, OtherFormatsAreNamedAndGreyClipsHaveNoChromaFigures) {
    const AnalysisSettings s = BothMetrics();
    const avs::PixelFormat* yv12 = avs::FindPixelFormat("YV12");
    const avs::PixelFormat* y10 = avs::FindPixelFormat("Y10");
    EXPECT_EQ(MeasuredFormatLine(&avs::Yuy2Format()), "");
    EXPECT_EQ(MeasuredFormatLine(yv12), "Color Space: YV12, 8 bits");
    EXPECT_EQ(MeasuredFormatLine(y10), "Color Space: Y10, 10 bits");
    EXPECT_EQ(CsvHeaderLines(s, "/v/a.mkv", &avs::Yuy2Format()), CsvHeaderLines(s, "/v/a.mkv"));
    const Lines header = CsvHeaderLines(s, "/v/a.mkv", yv12);
    ASSERT_EQ(header.size(), CsvHeaderLines(s, "/v/a.mkv").size() + 1);
    EXPECT_EQ(header[header.size() - 5], "Color Space: YV12, 8 bits");

    const PsnrFrameResult one{1, 0, 0, 1, 0, 0, 1};
    EXPECT_EQ(Join(CsvFrameFields(s, 1, &one, nullptr, yv12)), "000001;48.1308;1");
    EXPECT_EQ(Join(CsvFrameFields(s, 1, &one, nullptr, y10)), "000001;60.1975;");

    FileTotals t = TwoFrames();
    t.Format = y10;
    const Lines footer = CsvFooterLines(s, t);
    EXPECT_EQ(Lines(footer.begin() + 4, footer.begin() + 12),
              (Lines{"PSNR in Y: 60.1975 dB", "MSE in Y: 1",
                     "MSE in U:", "MSE in V:", "Euclidean Distance in Y: 0.5",
                     "Euclidean Distance in U:", "Euclidean Distance in V:", "Euclidean Distance in YUV:"}));
    const FileBlock block{"/v/a.mkv", &t, "", false, true};
    Lines overview, results;
    AppendOverviewBlock(overview, s, block);
    AppendResultsBlock(results, s, block);
    EXPECT_EQ(overview, (Lines{"/v/a.mkv", "Color Space: Y10, 10 bits", "PSNR in Y: 60.1975 dB",
                               "Euclidean Distance in YUV:", "Q in Y: 0.875"}));
    EXPECT_EQ(Lines(results.begin() + 5, results.begin() + 7),
              (Lines{"PC.601 (RGB [0..255] -> YUV [0..255])", "Color Space: Y10, 10 bits"}));
}

TEST(FileTotalsFigures, EarliestFrameWinsTiesAndDarkClipsGiveNoNaN) {
    FileTotals t;
    AddSsimFrame(t, {0, 0, 0.7, 0, 0, 0, 0}, 5);
    AddSsimFrame(t, {0, 0, 0.7, 0, 0, 0, 0}, 6);
    AddSsimFrame(t, {0, 0, 0.9, 0, 0, 0, 0}, 7);
    AddSsimFrame(t, {0, 0, 0.9, 0, 0, 0, 0}, 8);
    EXPECT_EQ(t.LowestQFrame, 5);
    EXPECT_EQ(t.HighestQFrame, 7);
    // No window carried weight, and nothing was analysed: every figure is a number.
    EXPECT_EQ(QY(t), 0.0);
    EXPECT_EQ(SsimY(FileTotals{}), 0.0);
    EXPECT_EQ(AverageMse(FileTotals{}, 0), 0.0);
    EXPECT_FALSE(HasPsnrY(FileTotals{}));
}

TEST(ReportBlocks, OverviewAndResultsOfAFileFollowedByAnother) {
    AnalysisSettings s = BothMetrics();
    s.StartFrame = 10;
    s.Template2 = {"FakeSource(\"$FileName\")"};
    s.LogTemplate2 = true;
    const FileTotals t = TwoFrames();
    FileBlock block{"/v/a.mkv", &t, "", false, false};

    Lines overview;
    AppendOverviewBlock(overview, s, block);
    EXPECT_EQ(overview, (Lines{"/v/a.mkv", "PSNR in Y: 48.1308 dB", "Euclidean Distance in YUV: 0.75",
                               "Q in Y: 0.875", ""}));

    Lines results;
    AppendResultsBlock(results, s, block);
    const Lines expected{"Source File 1: /v/orig.mkv",
                         "Source File 2: /v/a.mkv",
                         "",
                         "AviSynth Template 2:",
                         "FakeSource(\"$FileName\")",
                         "",
                         "Start Frame: 10",
                         "End Frame: 11",
                         "PC.601 (RGB [0..255] -> YUV [0..255])",
                         "PSNR, MSE and Euclidean Distance",
                         "SSIM",
                         "",
                         "Start: 09:30:05",
                         "End: 09:31:00",
                         "",
                         "PSNR in Y: 48.1308 dB",
                         "MSE in Y: 1",
                         "MSE in U: 2",
                         "MSE in V: 3",
                         "Euclidean Distance in Y: 0.5",
                         "Euclidean Distance in U: 1",
                         "Euclidean Distance in V: 1.5",
                         "Euclidean Distance in YUV: 0.75",
                         "",
                         "Q in Y: 0.875",
                         "SSIM in Y: 0.85",
                         "",
                         "Lowest Q in Y: 0.85 (11)",
                         "Highest Q in Y: 0.95 (10)",
                         "",
                         "========================================",
                         ""};
    EXPECT_EQ(results, expected);
}

TEST(ReportBlocks, StoppingShowsTheActualRangeAndNoSeparator) {
    AnalysisSettings s = BothMetrics();
    s.MetricPsnr = false;
    s.StartFrame = 10;
    const FileTotals t = TwoFrames();
    FileBlock block{"/v/a.mkv", &t, "", true, false};
    Lines overview;
    AppendOverviewBlock(overview, s, block);
    EXPECT_EQ(overview, (Lines{"/v/a.mkv", "Start Frame: 10", "End Frame: 11", "Q in Y: 0.875"}));
    Lines results;
    AppendResultsBlock(results, s, block);
    EXPECT_EQ(results.back(), "Highest Q in Y: 0.95 (10)");
}

TEST(ReportBlocks, AFileWithoutFiguresSaysWhy) {
    AnalysisSettings s = BothMetrics();
    s.StartFrame = 500;
    FileBlock block{"/v/b.mkv", nullptr, "Not analyzed: because.", false, true};
    Lines overview, results;
    AppendOverviewBlock(overview, s, block);
    AppendResultsBlock(results, s, block);
    EXPECT_EQ(overview, (Lines{"/v/b.mkv", "Not analyzed: because."}));
    EXPECT_EQ(results, (Lines{"Source File 1: /v/orig.mkv", "Source File 2: /v/b.mkv", "", "Start Frame: 500",
                              "Not analyzed: because.", "PC.601 (RGB [0..255] -> YUV [0..255])",
                              "PSNR, MSE and Euclidean Distance", "SSIM"}));

    // Stopped before its first frame: times, but no figures and no negative last frame.
    FileTotals none;
    none.StartTime = none.EndTime = "10:00:00";
    FileBlock stopped{"/v/b.mkv", &none, "", true, false};
    Lines overview2;
    AppendOverviewBlock(overview2, s, stopped);
    EXPECT_EQ(overview2, (Lines{"/v/b.mkv", "No frame analyzed."}));
}

// Names of scripts (never refused: they enter no generated script), AviSynth's two-line errors and
// template lines keep to one line each in the files.
TEST(ReportBlocks, EveryTextStaysOnItsLine) {
    AnalysisSettings s = BothMetrics();
    s.SourceFile1 = "/v/o\r\nSource File 2: x.avs";
    s.Template1 = {"A()\x1b\tB()"};
    s.LogTemplate1 = true;
    FileBlock block{"/v/b\n.avs", nullptr, "Error: Script error: no.\n(/v/b.avs, line 2)", false, true};
    Lines overview, results;
    AppendOverviewBlock(overview, s, block);
    AppendResultsBlock(results, s, block);
    EXPECT_EQ(overview, (Lines{"/v/b .avs", "Error: Script error: no. (/v/b.avs, line 2)"}));
    EXPECT_EQ(Lines(results.begin(), results.begin() + 6),
              (Lines{"Source File 1: /v/o Source File 2: x.avs", "Source File 2: /v/b .avs", "",
                     "AviSynth Template 1:", "A()?\tB()", ""}));
    EXPECT_EQ(CsvHeaderLines(s, block.source2)[4], "Source File 2: /v/b .avs");
}

} // namespace
} // namespace bv
