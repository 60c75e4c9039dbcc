#include "graph/graph_page.h"
#include "graph_test_support.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace bv {
namespace {

using test::CountColor;
using test::CountDark;
using test::Is;

const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

class GraphPageTest : public test::GraphTest {};

// A label drawn on its own, black on white with its top-left corner at (0, 0).
QImage ReferenceLabel(const QString& text) {
    const QFontMetrics metrics(GraphLabelFont());
    QImage image(metrics.horizontalAdvance(text), metrics.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(GraphLabelFont());
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
    return image;
}

// Whether the page shows `text` with its top-left corner at (x, y), comparing the label's rows
// from firstRow on (grid lines cross the ones above).
bool ShowsLabel(const QImage& page, int x, int y, const QString& text, int firstRow = 0) {
    const QImage label = ReferenceLabel(text);
    for (int r = firstRow; r < label.height(); ++r)
        for (int c = 0; c < label.width(); ++c)
            if (page.pixel(x + c, y + r) != label.pixel(c, r))
                return false;
    return CountDark(label, label.rect()) > 0;
}

GraphTables OneSource(std::vector<double> values, GraphColor color) {
    GraphTables tables;
    tables.GraphValues.push_back(std::move(values));
    tables.GraphColors.push_back(color);
    return tables;
}

TEST(GraphValueYTest, RoundsHalvesToEvenOnTheFullHeight) {
    EXPECT_EQ(GraphValueY(1.0, 1600), 0);
    EXPECT_EQ(GraphValueY(0.5, 1600), 800);
    EXPECT_EQ(GraphValueY(0.0, 1600), 1600);
    EXPECT_EQ(GraphValueY(0.995, 1600), 8);
    EXPECT_EQ(GraphValueY(0.9921875, 1600), 12); // 12.5
    EXPECT_EQ(GraphValueY(0.9765625, 1600), 38); // 37.5
    EXPECT_EQ(GraphValueY(0.25, 2), 2);          // 1.5
    // Absurd values stay far outside the page instead of overflowing.
    EXPECT_LT(GraphValueY(1e300, 1600), -1000000);
    EXPECT_GT(GraphValueY(-1e300, 1600), 1000000);
}

TEST(GraphValueLabelTest, ShortestFormWithTheSeparatorAndASpaceEachSide) {
    EXPECT_EQ(GraphValueLabel(1, "."), " 0.9 ");
    EXPECT_EQ(GraphValueLabel(3, "."), " 0.7 "); // 1 - 0.30000000000000004
    EXPECT_EQ(GraphValueLabel(4, ","), " 0,6 ");
}

TEST(GraphPenColorTest, UsesTheLowByteOfEachComponent) {
    EXPECT_EQ(GraphPenColor({0x12, 0x34, 0x56}).rgb(), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(GraphPenColor({0x112, 0x234, -1}).rgb(), qRgb(0x12, 0x34, 0xff));
}

TEST_F(GraphPageTest, FrameMarksAtEveryTenthOffsetButNeverInColumnZero) {
    const QImage page = RenderGraphPage(500, 1600, 0, 0, {}, {}, ".");
    for (int x = 0; x < 500; ++x) {
        const bool mark = x > 0 && x % 100 == 0; // offsets 10, 20, 30, 40
        EXPECT_EQ(Is(page, x, 50, kGrey), mark) << "x = " << x;
    }
    for (int label = 10; label <= 40; label += 10) {
        const int x = 10 * label;
        EXPECT_TRUE(Is(page, x, 0, kGrey));
        EXPECT_TRUE(Is(page, x, 799, kGrey));
        EXPECT_TRUE(Is(page, x, 810, kWhite)) << "marks end at the closing line";
        // Label top at y = 159; rows 159 and 160 are crossed by the value lines.
        EXPECT_TRUE(ShowsLabel(page, x + 2, 159, QString::number(label), 2)) << label;
    }

    const QImage shifted = RenderGraphPage(500, 1600, 55, 0, {}, {}, ".");
    for (int label = 60; label <= 100; label += 10) {
        const int x = 10 * (label - 55);
        EXPECT_TRUE(Is(shifted, x, 50, kGrey)) << "x = " << x;
        EXPECT_TRUE(ShowsLabel(shifted, x + 2, 159, QString::number(label), 2)) << label;
    }
    EXPECT_EQ(CountColor(shifted, QRect(0, 50, 500, 1), kGrey), 5);
}

TEST_F(GraphPageTest, ExportPagesHold24Or25Marks) {
    EXPECT_EQ(CountColor(RenderGraphPage(2500, 1600, 0, 0, {}, {}, "."), QRect(0, 50, 2500, 1), kGrey), 24);
    EXPECT_EQ(CountColor(RenderGraphPage(2500, 1600, 5, 0, {}, {}, "."), QRect(0, 50, 2500, 1), kGrey), 25);
}

TEST_F(GraphPageTest, FineAndCoarseValueLinesWithLabels) {
    const QImage page = RenderGraphPage(500, 1600, 0, 0, {}, {}, ".");
    const int x = 250; // no frame mark here
    for (int i = 1; i <= 49; ++i) {
        const int y = 16 * i;
        if (i % 10 == 0)
            continue;
        EXPECT_TRUE(Is(page, x, y, kGrey)) << y;
        EXPECT_TRUE(Is(page, x, y - 1, kWhite)) << y;
        EXPECT_TRUE(Is(page, x, y + 1, kWhite)) << y;
    }
    // Width 2 at 0.9, 0.8, 0.7, 0.6 and the closing line at 0.5.
    for (int y : {160, 320, 480, 640, 800}) {
        EXPECT_TRUE(Is(page, x, y - 1, kGrey)) << y;
        EXPECT_TRUE(Is(page, x, y, kGrey)) << y;
        EXPECT_TRUE(Is(page, x, y - 2, kWhite)) << y;
        EXPECT_TRUE(Is(page, x, y + 1, kWhite)) << y;
        EXPECT_TRUE(Is(page, 498, y, kGrey)) << y;
        EXPECT_TRUE(Is(page, 499, y, kWhite)) << "a line leaves out its end pixel";
    }
    const char* labels[] = {" 0.9 ", " 0.8 ", " 0.7 ", " 0.6 "};
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(ShowsLabel(page, 0, 160 * i - 8, labels[i - 1])) << labels[i - 1];
    // Nothing is drawn under the closing line but the legend.
    EXPECT_EQ(CountColor(page, QRect(0, 801, 500, 799), kWhite), 500 * 799);
}

TEST_F(GraphPageTest, CurveStartsOffPageAndEndsAtTheLastValue) {
    const QColor pen(0x12, 0x34, 0x56);
    std::vector<double> values(100, kNoGraphValue);
    std::fill(values.begin(), values.begin() + 23, 0.953); // y = 75.2 -> 75
    const GraphTables tables = OneSource(values, {0x12, 0x34, 0x56});
    const QImage page = RenderGraphPage(500, 1600, 0, 1, tables, {"/clips/a.mkv"}, ".");

    EXPECT_EQ(CountColor(page, QRect(0, 75, 220, 1), pen), 220) << "points at x = 0 .. 220";
    EXPECT_EQ(CountColor(page, QRect(220, 0, 280, 816), pen), 0) << "nothing after the 23rd value";
    EXPECT_EQ(CountColor(page, QRect(1, 0, 499, 75), pen), 0)
        << "the segment from (-10, 0) stays off the page";
    // Legend entry: line from x = 10 to 90 at y = 816, then the name.
    EXPECT_EQ(CountColor(page, QRect(0, 816, 500, 1), pen), 80);
    EXPECT_TRUE(Is(page, 10, 816, pen));
    EXPECT_TRUE(Is(page, 89, 816, pen));
    EXPECT_TRUE(ShowsLabel(page, 100, 808, " /clips/a.mkv"));
}

TEST_F(GraphPageTest, CurveStopsAtTheFirstValueWithoutAValue) {
    const QColor pen(200, 0, 0);
    for (double gap : {-1.0, -1.5, std::numeric_limits<double>::quiet_NaN()}) {
        const GraphTables tables = OneSource({0.953, 0.953, 0.953, gap, 0.953, 0.953}, {200, 0, 0});
        const QImage page = RenderGraphPage(500, 1600, 0, 1, tables, {"x"}, ".");
        EXPECT_EQ(CountColor(page, QRect(0, 75, 500, 1), pen), 20) << gap;
    }
    // No value at the page's first frame: no curve, but the legend entry.
    const GraphTables empty = OneSource({kNoGraphValue, 0.953}, {200, 0, 0});
    const QImage page = RenderGraphPage(500, 1600, 0, 1, empty, {"x"}, ".");
    EXPECT_EQ(CountColor(page, QRect(0, 0, 500, 816), pen), 0);
    EXPECT_EQ(CountColor(page, QRect(0, 816, 500, 1), pen), 80);
}

TEST_F(GraphPageTest, PageShowsItsOwnFramesAndValuesBelowTheScale) {
    const QColor pen(0, 150, 0);
    std::vector<double> values(120, 0.953); // y = 75
    values[100] = 0.75;                     // y = 400
    values[101] = 0.75;
    values[110] = 0.0; // the bottom edge, far into the legend area
    const GraphTables tables = OneSource(values, {0, 150, 0});
    const QImage page = RenderGraphPage(500, 1600, 100, 1, tables, {"x"}, ".");
    EXPECT_TRUE(Is(page, 0, 400, pen));
    EXPECT_TRUE(Is(page, 9, 400, pen));
    EXPECT_TRUE(Is(page, 25, 75, pen));
    EXPECT_GT(CountColor(page, QRect(95, 1500, 10, 100), pen), 0);
    // Offsets 100..119 only: x = 0..190.
    EXPECT_EQ(CountColor(page, QRect(191, 0, 309, 816), pen), 0);
}

TEST_F(GraphPageTest, LegendRowsFollowTheSourceIndex) {
    GraphTables tables;
    tables.GraphValues.assign(3, std::vector<double>(10, kNoGraphValue));
    tables.GraphColors = {{1, 1, 1}, {2, 2, 2}, {30, 60, 90}};
    const QImage page = RenderGraphPage(500, 1600, 0, 3, tables, {"a", "b", "/video/third.mkv"}, ".");
    const QColor third(30, 60, 90);
    EXPECT_EQ(CountColor(page, QRect(0, 840, 500, 1), third), 80);
    EXPECT_TRUE(Is(page, 10, 840, third));
    EXPECT_TRUE(Is(page, 89, 840, third));
    EXPECT_TRUE(Is(page, 90, 840, kWhite));
    EXPECT_TRUE(ShowsLabel(page, 100, 832, " /video/third.mkv"));
}

TEST_F(GraphPageTest, LaterSourcesAndTheirOpaqueTextsCoverEarlierCurves) {
    const QColor first(255, 0, 0);
    const QColor second(0, 0, 255);
    GraphTables tables;
    tables.GraphValues = {std::vector<double>(50, 0.48375), // y = 826, inside the second legend text
                          std::vector<double>(50, 0.953)};  // y = 75, over the first at x < 50
    tables.GraphValues[0][0] = tables.GraphValues[0][1] = 0.953;
    tables.GraphValues[0][2] = tables.GraphValues[0][3] = 0.953;
    tables.GraphValues[0][4] = 0.953;
    tables.GraphColors = {{255, 0, 0}, {0, 0, 255}};
    const QImage page = RenderGraphPage(500, 1600, 0, 2, tables, {"first", "a long name for the box"}, ".");

    EXPECT_EQ(CountColor(page, QRect(0, 75, 40, 1), second), 40);
    EXPECT_EQ(CountColor(page, QRect(0, 75, 40, 1), first), 0);
    // The second legend's text box starts at row 820 and x = 100 and hides the first curve.
    EXPECT_TRUE(Is(page, 60, 826, first));
    const int textWidth = QFontMetrics(GraphLabelFont()).horizontalAdvance(" a long name for the box");
    EXPECT_EQ(CountColor(page, QRect(100, 826, textWidth, 1), first), 0);
    EXPECT_GT(CountColor(page, QRect(100 + textWidth, 826, 50, 1), first), 0);
}

TEST_F(GraphPageTest, MissingRowsColoursAndNamesDrawWhatTheyHave) {
    const GraphTables tables = OneSource({0.953}, {9, 9, 9});
    // 70 sources asked for, one known: black legends, rows from k = 66 on fall off the page.
    const QImage page = RenderGraphPage(500, 1600, 0, 70, tables, {"only"}, ".");
    EXPECT_TRUE(Is(page, 50, 828, Qt::black));
    EXPECT_TRUE(Is(page, 50, 816 + 12 * 65, Qt::black));
    // A page too small for the scale still draws without complaint.
    const QImage tiny = RenderGraphPage(30, 20, 0, 1, tables, {"only"}, ".");
    EXPECT_EQ(tiny.size(), QSize(30, 20));
}

} // namespace
} // namespace bv
