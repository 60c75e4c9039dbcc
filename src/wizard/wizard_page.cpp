#include "wizard/wizard_page.h"

#include "i18n/translate.h"
#include "wizard/banner_picture.h"

#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace bv {

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonTop = 460;
} // namespace

WizardPage::WizardPage(const QString& objectName, const QString& heading, const QString& previousName,
                       const QString& nextName, const QString& cancelName, QWidget* parent,
                       const QString& nextCaption)
    : QWidget(parent) {
    setObjectName(objectName);

    banner_ = new QLabel(this);
    static const QPixmap picture = QPixmap::fromImage(BannerPicture());
    banner_->setPixmap(picture);
    banner_->setScaledContents(true);
    banner_->setGeometry(8, 16, 73, 473);

    heading_ = new QLabel(heading, this);
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(19);
    heading_->setFont(bold);
    heading_->move(96, 16);
    heading_->resize(577, 26);

    previous_ = AddButton(previousName, Caption("Previous"), 424, kButtonTop);
    next_ = AddButton(nextName, nextCaption, 512, kButtonTop);
    cancel_ = AddButton(cancelName, Caption("Cancel"), 598, kButtonTop);
}

QPushButton* WizardPage::AddButton(const QString& objectName, const QString& caption, int left, int top) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setGeometry(left, top, kButtonWidth, kButtonHeight);
    button->setAutoDefault(false);
    return button;
}

QPlainTextEdit* MakeIntroText(QWidget* parent, const QString& objectName, const QRect& geometry) {
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(objectName);
    text->setGeometry(geometry);
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    text->setFocusPolicy(Qt::NoFocus);
    text->setTextInteractionFlags(Qt::NoTextInteraction);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->document()->setDocumentMargin(0);
    // The page's own background shows through.
    QPalette palette = text->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    text->setPalette(palette);
    text->setAutoFillBackground(false);
    text->viewport()->setAutoFillBackground(false);
    return text;
}

QPlainTextEdit* MakeReadOnlyBox(QWidget* parent, const QString& objectName, const QRect& geometry) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(objectName);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = box->palette();
    palette.setBrush(QPalette::Base, palette.brush(QPalette::Button));
    box->setPalette(palette);
    return box;
}

void ScrollToStart(QPlainTextEdit* box) {
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::Start);
    box->setTextCursor(cursor);
    box->horizontalScrollBar()->setValue(0);
    box->verticalScrollBar()->setValue(0);
}

} // namespace bv
