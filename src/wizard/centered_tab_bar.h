// Tab controls whose captions the program draws itself, centred in their tabs.
#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace bv {

class CenteredTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit CenteredTabBar(QWidget* parent = nullptr);

    // Where a caption of the given size lands in a tab rectangle: centred, both halvings
    // truncated toward zero.
    static QPoint CaptionOrigin(const QRect& tab, int captionWidth, int textHeight);

protected:
    // As wide as the caption and a small margin, so that all eight pages' tabs fit.
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;
};

class CenteredTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit CenteredTabWidget(QWidget* parent = nullptr);
};

} // namespace bv
