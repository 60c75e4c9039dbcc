#include "graph/graph_export.h"
#include "graph/graph_page.h"
#include "graph/jpeg_file.h"
#include "graph_test_support.h"
#include "jpeg_check.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace bv {
namespace {

namespace fs = std::filesystem;

class GraphExportTest : public test::GraphTest {
protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("bv_graph_export_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Two sources: the first with `count` analysed frames, the second with more.
    static GraphTables Tables(int count) {
        GraphTables tables;
        tables.GraphValues.assign(2, std::vector<double>(1000, kNoGraphValue));
        std::fill_n(tables.GraphValues[0].begin(), count, 0.95); // y = 80
        std::fill_n(tables.GraphValues[1].begin(), 700, 0.7);    // y = 480
        tables.GraphColors = {{255, 0, 0}, {0, 0, 255}};
        return tables;
    }

    GraphExportRequest Request(const GraphTables& tables) const {
        GraphExportRequest request;
        request.tables = &tables;
        request.sourceNames = {"/clips/enc_crf20.mkv", "/clips/enc_crf40.mkv"};
        request.sourcesBegun = 2;
        request.storageFolder = folder_.string() + "/";
        return request;
    }

    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(GraphExportTest, OnePagePer250FramesOfTheFirstSource) {
    const std::string stamp = "20071113_140509";
    const struct {
        int count;
        std::vector<std::string> pages;
    } cases[] = {
        {600, {"00000", "00250", "00500"}},
        {250, {"00000"}},
        {251, {"00000", "00250"}},
        {23, {"00000"}},
        {0, {}},
    };
    for (const auto& c : cases) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const GraphTables tables = Tables(c.count);
        const std::vector<std::string> written = ExportGraphPages(Request(tables), stamp);
        std::vector<std::string> expected;
        for (const std::string& page : c.pages)
            expected.push_back("bv_" + stamp + "_frame_" + page + ".jpg");
        EXPECT_EQ(FilesInFolder(), expected) << c.count << " frames";
        ASSERT_EQ(written.size(), expected.size());
        for (size_t i = 0; i < written.size(); ++i)
            EXPECT_EQ(written[i], (folder_ / expected[i]).string());
    }
}

TEST_F(GraphExportTest, PagesAreBaselineJpegsOfTheRenderedPageAtQuality85) {
    const GraphTables tables = Tables(600);
    GraphExportRequest request = Request(tables);
    std::vector<std::string> announced;
    request.onPage = [&](const WritingInfo& page) {
        EXPECT_FALSE(fs::exists(page.path)) << "announced before it is written";
        announced.push_back(std::to_string(page.page) + "/" + std::to_string(page.pages) + " " + page.path);
    };
    const std::vector<std::string> written = ExportGraphPages(request, "20240101_000000");
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(announced, (std::vector<std::string>{"1/3 " + written[0], "2/3 " + written[1], "3/3 " + written[2]}));
    for (size_t i = 0; i < written.size(); ++i) {
        const test::JpegInfo jpeg = test::ReadJpeg(written[i]);
        ASSERT_TRUE(jpeg.valid) << written[i];
        EXPECT_EQ(jpeg.width, 2500);
        EXPECT_EQ(jpeg.height, 1600);
        EXPECT_EQ(jpeg.components, 3);
        EXPECT_TRUE(jpeg.baseline);
        EXPECT_FALSE(jpeg.progressive);
        EXPECT_EQ(jpeg.quantTables, test::StandardQuantTables(85)) << written[i];
        const QImage page =
            RenderGraphPage(2500, 1600, 250 * static_cast<int>(i), 2, tables, request.sourceNames);
        EXPECT_LT(test::MeanDifference(jpeg.pixels, page), 2.0) << written[i];
    }
    // The last page holds frames 500..599 of the first source; the second source (700
    // frames) goes on to offset 699, and columns beyond are empty. Colours keep their order.
    // Thin lines lose some chroma to subsampling, but their hue must survive.
    const QImage last = test::ReadJpeg(written[2]).pixels;
    auto reddish = [](QRgb p) { return qRed(p) - std::max(qGreen(p), qBlue(p)) > 50; };
    auto bluish = [](QRgb p) { return qBlue(p) - std::max(qRed(p), qGreen(p)) > 50; };
    EXPECT_TRUE(reddish(last.pixel(505, 80)));
    EXPECT_FALSE(reddish(last.pixel(1500, 80))) << "frames 600.. of the first source have no value";
    EXPECT_TRUE(bluish(last.pixel(1500, 480)));
    EXPECT_FALSE(bluish(last.pixel(2200, 480))) << "the second source ends at offset 699";
}

TEST_F(GraphExportTest, AnUnwritableFileStopsTheExportAndIsNamed) {
    const GraphTables tables = Tables(600);
    GraphExportRequest request = Request(tables);
    request.storageFolder = (folder_ / "missing" / "").string();
    try {
        ExportGraphPages(request, "20240101_000000");
        FAIL() << "no error for a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(request.storageFolder + "bv_20240101_000000_frame_00000.jpg"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(FilesInFolder().empty());

    // The second page's name is taken by a folder: the first page stays, the third is never tried.
    request.storageFolder = folder_.string() + "/";
    fs::create_directories(folder_ / "bv_20240101_000000_frame_00250.jpg");
    EXPECT_THROW(ExportGraphPages(request, "20240101_000000"), std::runtime_error);
    EXPECT_EQ(FilesInFolder(), (std::vector<std::string>{"bv_20240101_000000_frame_00000.jpg",
                                                         "bv_20240101_000000_frame_00250.jpg"}));
    EXPECT_TRUE(fs::is_directory(folder_ / "bv_20240101_000000_frame_00250.jpg"));
}

TEST_F(GraphExportTest, AFailedWriteIsReportedAndLeavesNoPartialFile) {
    QImage image(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256)); // hard to compress
    const std::vector<unsigned char> jpeg = EncodeJpeg(image);
    ASSERT_GT(jpeg.size(), 8192u);
    EXPECT_THROW(EncodeJpeg(QImage()), std::runtime_error);
    QImage tooWide(70000, 1, QImage::Format_RGB32); // beyond JPEG's 65500 pixels: libjpeg refuses
    tooWide.fill(Qt::white);
    EXPECT_THROW(EncodeJpeg(tooWide), std::runtime_error);

    // A file that cannot grow beyond 4 KB: the write fails part way and the stump is removed.
    const std::string path = (folder_ / "page.jpg").string();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        WriteJpegFile(path, jpeg);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(path));

    // A device is reported but left alone, even when we may remove it.
    message.clear();
    try {
        WriteJpegFile("/dev/full", jpeg);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("/dev/full"), std::string::npos) << message;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    // An existing file is replaced.
    std::ofstream(path) << "an older file that is not a JPEG at all";
    WriteJpegFile(path, jpeg);
    EXPECT_EQ(fs::file_size(path), jpeg.size());
    EXPECT_TRUE(test::ReadJpeg(path).valid);
}

} // namespace
} // namespace bv
