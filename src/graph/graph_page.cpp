#include "graph/graph_page.h"

#include "analysis/number_format.h"
#include "graph/round_half_even.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace bv {

namespace {

constexpr int kLabelPixelSize = 10; // 11 pixels from ascent to descent: legend rows 12 apart never overlap
constexpr int kLegendRowSpacing = 12;
const QColor kGridGrey(128, 128, 128);

QPen LinePen(const QColor& color, int width) {
    QPen pen(color);
    pen.setWidth(width);
    // Flat ends leave out a line's end pixel, so consecutive curve segments meet without overlap.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// Text on an opaque white box with its top-left corner at (x, y): it hides what lies beneath.
void DrawBoxedText(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), Qt::white);
    const QPen linePen = painter.pen();
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
    painter.setPen(linePen);
}

void BeginPainting(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(GraphLabelFont());
}

} // namespace

int GraphValueY(double value, int height) {
    // Far beyond any page in both directions; QPainter clips the rest.
    constexpr double kLimit = 1 << 24;
    const double y = RoundHalfEven(height * (1.0 - value));
    return static_cast<int>(std::clamp(y, -kLimit, kLimit));
}

QColor GraphPenColor(const GraphColor& color) {
    return QColor(color.r & 0xff, color.g & 0xff, color.b & 0xff);
}

std::string GraphValueLabel(int line, std::string_view decimalSeparator) {
    std::string label(1, ' ');
    label += FormatShortest(1.0 - line * 0.1, decimalSeparator);
    label += ' ';
    return label;
}

QFont GraphLabelFont() {
    QFont font = QGuiApplication::font();
    font.setPixelSize(kLabelPixelSize);
    return font;
}

void DrawGraphGrid(QImage& page, int firstFrame, std::string_view decimalSeparator) {
    const int width = page.width();
    const int height = page.height();
    const int tenth = height / 10;
    const int hundredth = height / 100;
    if (page.isNull())
        return;
    QPainter painter(&page);
    BeginPainting(painter);
    painter.setPen(LinePen(kGridGrey, 1));

    // Frame marks every tenth frame offset; column 0 never gets one.
    for (int a = 1; a < width / kFrameColumnWidth; ++a) {
        if ((firstFrame + a) % 10 != 0)
            continue;
        const int x = kFrameColumnWidth * a;
        painter.drawLine(x, 0, x, 5 * tenth);
        DrawBoxedText(painter, x + 2, tenth - 1, QString::number(firstFrame + a));
    }

    for (int i = 1; i <= 49; ++i)
        painter.drawLine(0, i * hundredth, width - 1, i * hundredth);

    painter.setPen(LinePen(kGridGrey, 2));
    for (int i = 1; i <= 4; ++i) {
        painter.drawLine(0, i * tenth, width - 1, i * tenth);
        DrawBoxedText(painter, 0, i * tenth - 8,
                      QString::fromStdString(GraphValueLabel(i, decimalSeparator)));
    }
    // The scale ends at 0.5; the lower half belongs to the legend.
    painter.drawLine(0, 5 * tenth, width - 1, 5 * tenth);
}

void DrawGraphGrid(QImage& page, int firstFrame) {
    DrawGraphGrid(page, firstFrame, UserDecimalSeparator());
}

void DrawGraphSeries(QImage& page, int firstFrame, int source, const GraphTables& tables,
                     const std::vector<std::string>& sourceNames) {
    const int width = page.width();
    const int height = page.height();
    const auto k = static_cast<size_t>(source);
    const GraphColor color = k < tables.GraphColors.size() ? tables.GraphColors[k] : GraphColor{};
    if (page.isNull())
        return;
    QPainter painter(&page);
    BeginPainting(painter);
    painter.setPen(LinePen(GraphPenColor(color), 1));

    if (k < tables.GraphValues.size()) {
        const std::vector<double>& row = tables.GraphValues[k];
        const long long last =
            std::min<long long>(static_cast<long long>(firstFrame) + width / kFrameColumnWidth - 1,
                                static_cast<long long>(row.size()) - 1);
        // The curve comes in from outside the page's top-left corner.
        QPoint pen(-kFrameColumnWidth, 0);
        bool begun = false;
        for (long long m = firstFrame; m <= last; ++m) {
            const double v = row[static_cast<size_t>(m)];
            if (!(v > kNoGraphValue)) { // -1.0 and below end the curve; so does a NaN
                if (begun)
                    break;
                continue; // frames an offset left without a partner: the curve begins after them
            }
            const QPoint next(static_cast<int>(kFrameColumnWidth * (m - firstFrame)), GraphValueY(v, height));
            const bool startsLate = !begun && m > firstFrame;
            begun = true;
            if (startsLate) { // after frames without a value: the curve starts at its first value
                pen = next;
                continue;
            }
            painter.drawLine(pen, next);
            pen = next;
        }
    }

    const int legendY = 51 * (height / 100) + kLegendRowSpacing * source;
    painter.drawLine(10, legendY, 90, legendY);
    const std::string name = k < sourceNames.size() ? sourceNames[k] : std::string();
    DrawBoxedText(painter, 100, legendY - 8, " " + QString::fromStdString(name));
}

QImage BlankGraphPage(int width, int height, int firstFrame, std::string_view decimalSeparator) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    DrawGraphGrid(page, firstFrame, decimalSeparator);
    return page;
}

QImage RenderGraphPage(QImage blank, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames) {
    for (int k = 0; k < sourceCount; ++k)
        DrawGraphSeries(blank, firstFrame, k, tables, sourceNames);
    return blank;
}

QImage RenderGraphPage(int width, int height, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames, std::string_view decimalSeparator) {
    return RenderGraphPage(BlankGraphPage(width, height, firstFrame, decimalSeparator), firstFrame, sourceCount,
                           tables, sourceNames);
}

QImage RenderGraphPage(int width, int height, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames) {
    return RenderGraphPage(width, height, firstFrame, sourceCount, tables, sourceNames,
                           UserDecimalSeparator());
}

} // namespace bv
