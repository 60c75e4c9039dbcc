#include "wizard/banner_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace bv {

QImage BannerPicture() {
    constexpr int kSize = 128;
    // Drawn in the shape the pages show it (73 x 473), so that it looks right stretched.
    constexpr double kShownWidth = 73;
    constexpr double kShownHeight = 473;
    QImage image(kSize, kSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kSize / kShownWidth, kSize / kShownHeight);

    QLinearGradient sky(0, 0, 0, kShownHeight);
    sky.setColorAt(0.0, QColor(18, 38, 92));
    sky.setColorAt(0.55, QColor(32, 96, 160));
    sky.setColorAt(1.0, QColor(120, 196, 220));
    p.fillRect(QRectF(0, 0, kShownWidth, kShownHeight), sky);

    // A strip of film: dark edges with their perforation.
    const QColor edge(10, 16, 34, 210);
    p.fillRect(QRectF(0, 0, 11, kShownHeight), edge);
    p.fillRect(QRectF(kShownWidth - 11, 0, 11, kShownHeight), edge);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 240, 248, 220));
    for (double y = 6; y < kShownHeight; y += 14) {
        p.drawRoundedRect(QRectF(3, y, 5, 7), 1.2, 1.2);
        p.drawRoundedRect(QRectF(kShownWidth - 8, y, 5, 7), 1.2, 1.2);
    }

    // Frames on the strip, each with the curve of an original and of its encode.
    for (int frame = 0; frame < 5; ++frame) {
        const QRectF box(15, 18 + frame * 92, kShownWidth - 30, 74);
        p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
        p.setBrush(QColor(255, 255, 255, 28));
        p.drawRect(box);
        auto curve = [&](double phase, double amplitude, const QColor& colour) {
            QPainterPath path;
            for (double x = box.left() + 2; x <= box.right() - 2; x += 0.5) {
                const double y = box.center().y() + amplitude * std::sin(x / 5.0 + phase + frame);
                if (path.elementCount() == 0)
                    path.moveTo(x, y);
                else
                    path.lineTo(x, y);
            }
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(colour, 1.6));
            p.drawPath(path);
        };
        curve(0.0, 20, QColor(255, 255, 255, 230));
        curve(0.45, 16, QColor(255, 196, 64, 235));
    }
    return image;
}

} // namespace bv
