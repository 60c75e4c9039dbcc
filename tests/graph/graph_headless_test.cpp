// Runs in a process without a display and without a Qt application of its own, as the
// command line does: the exporter must bring up what it needs.
#include "graph/graph_export.h"
#include "graph/graph_page.h"
#include "graph/jpeg_file.h"
#include "graph_test_support.h"
#include "jpeg_check.h"

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace bv {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GraphHeadlessTest, ExporterDrawsPagesWithTextWithoutADisplay) {
    ASSERT_EQ(std::getenv("DISPLAY"), nullptr) << "this test must run without a display";
    ASSERT_EQ(QCoreApplication::instance(), nullptr);

    // The first page's ground and grid are drawn ahead, on a thread of their own.
    const GraphExporter exporter = MakeGraphExporter(true);
    ASSERT_NE(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");

    const fs::path folder = fs::temp_directory_path() / ("bv_graph_headless_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    GraphTables tables;
    tables.GraphValues = {std::vector<double>(251, 0.93)};
    tables.GraphColors = {{10, 120, 30}};
    GraphExportRequest request;
    request.tables = &tables;
    request.sourceNames = {"/clips/encoded.mkv"};
    request.sourcesBegun = 1;
    request.storageFolder = folder.string() + "/";

    // The run calls its exporter at its end, on the run's own thread.
    std::vector<std::string> written;
    std::thread run([&] { written = exporter(request); });
    run.join();
    ASSERT_EQ(written.size(), 2u);
    for (const std::string& path : written) {
        EXPECT_EQ(path.substr(path.size() - 4), ".jpg");
        const test::JpegInfo jpeg = test::ReadJpeg(path);
        ASSERT_TRUE(jpeg.valid);
        EXPECT_EQ(jpeg.pixels.size(), QSize(2500, 1600));
        // The legend's name and the value labels are really there: fonts work headless.
        EXPECT_GT(test::CountDark(jpeg.pixels, QRect(100, 808, 200, 13)), 20);
        EXPECT_GT(test::CountDark(jpeg.pixels, QRect(0, 152, 30, 6)), 5);
    }
    // The page drawn ahead is the page drawn at once, byte for byte.
    EXPECT_TRUE(ReadBytes(written[0]) ==
                EncodeJpeg(RenderGraphPage(2500, 1600, 0, 1, tables, request.sourceNames), kGraphJpegQuality));
    // Stamp, page numbers: bv_YYYYMMDD_hhmmss_frame_00000.jpg and _00250.jpg.
    EXPECT_EQ(fs::path(written[0]).filename().string().size(),
              std::string("bv_20240101_000000_frame_00000.jpg").size());
    EXPECT_NE(written[1].find("_frame_00250.jpg"), std::string::npos);
    fs::remove_all(folder);
}

} // namespace
} // namespace bv
