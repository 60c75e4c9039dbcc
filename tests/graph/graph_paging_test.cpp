#include "graph/graph_paging.h"
#include "graph_test_support.h"

#include <gtest/gtest.h>
#include <limits>

namespace bv {
namespace {

GraphTables WithCounts(std::initializer_list<int> counts, int columns) {
    GraphTables tables;
    for (int count : counts) {
        std::vector<double> row(static_cast<size_t>(columns), kNoGraphValue);
        std::fill_n(row.begin(), count, 0.9);
        tables.GraphValues.push_back(row);
        tables.GraphColors.push_back({});
    }
    return tables;
}

TEST(GraphPagingTest, AnalysedFramesAreTheLeadingValues) {
    EXPECT_EQ(AnalysedFrameCount({}), 0);
    EXPECT_EQ(AnalysedFrameCount({0.5, 0.0, 1.0}), 3) << "a full row";
    EXPECT_EQ(AnalysedFrameCount({0.5, -1.0, 0.7}), 1) << "the first gap ends the count";
    EXPECT_EQ(AnalysedFrameCount({-1.0, 0.5}), 0);
    EXPECT_EQ(AnalysedFrameCount({0.5, -3.0}), 1);
    EXPECT_EQ(AnalysedFrameCount({0.5, std::numeric_limits<double>::quiet_NaN()}), 1);
    EXPECT_EQ(FirstSourceFrameCount({}), 0);
}

TEST(GraphPagingTest, ScrollRangeFollowsTheFirstSourceOnly) {
    const GraphScrollRange range = ResultsScrollRange(WithCounts({120, 300}, 400));
    EXPECT_EQ(range.minimum, 0);
    EXPECT_EQ(range.maximum, 119);
    EXPECT_EQ(range.position, 0);
    EXPECT_EQ(range.smallChange, 1);
    EXPECT_EQ(range.largeChange, 50);
    // Nothing analysed (a run stopped at once, or no table): one empty page at 0.
    EXPECT_EQ(ResultsScrollRange(WithCounts({0, 10}, 20)).maximum, 0);
    EXPECT_EQ(ResultsScrollRange({}).maximum, 0);
}

TEST(GraphPagingTest, PagingNeverDrawsMoreSourcesThanTheRunHad) {
    const GraphTables tables = WithCounts({5, 5}, 10);
    EXPECT_EQ(ResultsSourcesDrawn(1, tables), 1);
    EXPECT_EQ(ResultsSourcesDrawn(2, tables), 2);
    EXPECT_EQ(ResultsSourcesDrawn(5, tables), 2) << "entries added to the list after the run";
    EXPECT_EQ(ResultsSourcesDrawn(0, tables), 0);
}

TEST(GraphPagingTest, LivePageHoldsTheFrameJustAnalysed) {
    EXPECT_EQ(LiveGraphPageOffset(1), 0);
    EXPECT_EQ(LiveGraphPageOffset(50), 0);
    EXPECT_EQ(LiveGraphPageOffset(51), 50);
    EXPECT_EQ(LiveGraphPageOffset(100), 50);
    EXPECT_EQ(LiveGraphPageOffset(101), 100);
    EXPECT_EQ(LiveGraphPageOffset(0), 0);
}

TEST(GraphPagingTest, PageNamesCarryTheZeroPaddedOffset) {
    EXPECT_EQ(GraphPageNumberText(0), "00000");
    EXPECT_EQ(GraphPageNumberText(250), "00250");
    EXPECT_EQ(GraphPageNumberText(123456), "123456");
    EXPECT_EQ(GraphPageSaveName("20071113_140509", 7), "bv_20071113_140509_frame_00007");
    EXPECT_EQ(GraphExportFileName("/out/", "20071113_140509", 500),
              "/out/bv_20071113_140509_frame_00500.jpg");
    EXPECT_EQ(GraphExportFileName("/out", "20071113_140509", 0), "/out/bv_20071113_140509_frame_00000.jpg");
    const std::string fresh = GraphPageSaveName(7);
    EXPECT_EQ(fresh.size(), std::string("bv_YYYYMMDD_hhmmss_frame_00007").size());
    EXPECT_EQ(fresh.substr(0, 3), "bv_");
    EXPECT_EQ(fresh.substr(fresh.size() - 12), "_frame_00007");
}

class ResultsPageTest : public test::GraphTest {};

TEST_F(ResultsPageTest, ScrollPositionIsTheFirstFrameOffsetOfTheScreenPage) {
    GraphTables tables = WithCounts({120}, 120);
    tables.GraphColors[0] = {0, 0, 200};
    tables.GraphValues[0][1] = 0.953; // y = 75 at x = 0 on the page of position 1
    const QImage page = RenderResultsPage(1, tables, {"a", "added later"});
    EXPECT_EQ(page.size(), QSize(500, 1600));
    EXPECT_EQ(page.pixel(0, 75), qRgb(0, 0, 200));
    // Only the run's one source has a legend; the later list entry is not drawn.
    EXPECT_EQ(test::CountColor(page, QRect(0, 828, 500, 1), Qt::black), 0);
    EXPECT_EQ(test::CountDark(page, QRect(100, 822, 400, 11)), 0);
}

} // namespace
} // namespace bv
