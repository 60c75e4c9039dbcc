// Helpers shared by the graph tests: a QGuiApplication and pixel inspection.
#pragma once

#include "graph/gui_application.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace bv::test {

class GraphTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

inline bool Is(const QImage& image, int x, int y, const QColor& color) {
    return image.pixelColor(x, y).rgb() == color.rgb();
}

// Pixels of exactly this colour inside the rectangle.
inline int CountColor(const QImage& image, const QRect& area, const QColor& color) {
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += image.pixel(x, y) == color.rgb() ? 1 : 0;
    return count;
}

// Pixels clearly darker than the grid grey: text.
inline int CountDark(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    return count;
}

} // namespace bv::test
