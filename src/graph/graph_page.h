// The Q graph page: a grid of frame marks and value lines, one curve and legend entry per
// source. Pages are drawn afresh for the live display, the Results page and the JPEG export.
#pragma once

#include "analysis/graph_tables.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <string>
#include <string_view>
#include <vector>

namespace bv {

inline constexpr int kScreenPageWidth = 500;
inline constexpr int kExportPageWidth = 2500;
inline constexpr int kGraphPageHeight = 1600;
inline constexpr int kFrameColumnWidth = 10; // pixels per frame

// y of value v on a page of height H: H * (1 - v), rounded with halves to even.
// Saturates far outside the page instead of overflowing, so absurd values stay harmless.
int GraphValueY(double value, int height);

// Pen of source k's curve: the table's R, G, B, only the low 8 bits of each.
QColor GraphPenColor(const GraphColor& color);

// Label of coarse value line i (1..4): " 0.9 " and so on, with the given decimal separator.
std::string GraphValueLabel(int line, std::string_view decimalSeparator);

// The labels' font: the application's default face at a fixed pixel size, so that pages
// look the same on every screen and headless.
QFont GraphLabelFont();

// Grey grid, value scale and frame marks for a page whose first frame offset is F.
void DrawGraphGrid(QImage& page, int firstFrame, std::string_view decimalSeparator);
void DrawGraphGrid(QImage& page, int firstFrame);

// Source k's curve from its value row and its legend entry (" " + its list entry).
// A k without a row, colour or name draws what it has: no curve, a black pen, no name.
void DrawGraphSeries(QImage& page, int firstFrame, int source, const GraphTables& tables,
                     const std::vector<std::string>& sourceNames);

// A white W x H page with the grid: what RenderGraphPage draws the sources on.
QImage BlankGraphPage(int width, int height, int firstFrame, std::string_view decimalSeparator);

// Sources 0..n-1 drawn on a page from BlankGraphPage, later sources over earlier ones.
QImage RenderGraphPage(QImage blank, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames);
// A white W x H page with the grid and sources 0..n-1.
QImage RenderGraphPage(int width, int height, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames, std::string_view decimalSeparator);
QImage RenderGraphPage(int width, int height, int firstFrame, int sourceCount, const GraphTables& tables,
                       const std::vector<std::string>& sourceNames);

} // namespace bv
