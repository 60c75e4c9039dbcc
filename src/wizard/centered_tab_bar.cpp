#include "wizard/centered_tab_bar.h"

#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace bv {

namespace {
constexpr int kCaptionMargin = 6; // on each side of a caption
} // namespace

CenteredTabBar::CenteredTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(true);
    setExpanding(false);
    setUsesScrollButtons(false);
}

QPoint CenteredTabBar::CaptionOrigin(const QRect& tab, int captionWidth, int textHeight) {
    return {tab.left() + (tab.width() - captionWidth) / 2, tab.top() + (tab.height() - textHeight) / 2};
}

QSize CenteredTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setWidth(fontMetrics().horizontalAdvance(tabText(index)) + 2 * kCaptionMargin);
    return size;
}

void CenteredTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height(); // a line's height: what "Gg" takes
    // The selected tab last, so that its raised shape lies over its neighbours.
    const int current = currentIndex();
    auto drawTab = [&](int i) {
        if (!isTabVisible(i))
            return;
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTabShape, option);

        // Inside the tab's outline the program paints: button face, then the caption,
        // centred in the whole tab.
        painter.fillRect(option.rect.adjusted(3, 3, -3, -2), palette().brush(QPalette::Button));
        painter.setPen(
            palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        const QPoint origin = CaptionOrigin(option.rect, metrics.horizontalAdvance(caption), textHeight);
        painter.drawText(QRect(origin, QSize(metrics.horizontalAdvance(caption), textHeight)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
    };
    for (int i = 0; i < count(); ++i) {
        if (i != current)
            drawTab(i);
    }
    if (current >= 0)
        drawTab(current);
}

CenteredTabWidget::CenteredTabWidget(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new CenteredTabBar(this));
}

} // namespace bv
