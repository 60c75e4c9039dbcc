// What every page of the wizard has: the banner at its left edge, the heading, and the
// three buttons at its bottom right.
#pragma once

#include "i18n/translate.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace bv {

class WizardPage : public QWidget {
    Q_OBJECT
public:
    // The buttons' designer names; `nextCaption` is "Next" but on "Job Summary".
    WizardPage(const QString& objectName, const QString& heading, const QString& previousName,
               const QString& nextName, const QString& cancelName, QWidget* parent = nullptr,
               const QString& nextCaption = Caption("Next"));

    QPushButton* PreviousButton() const { return previous_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    // A push button of the standard 75 x 25 size at the given place.
    QPushButton* AddButton(const QString& objectName, const QString& caption, int left, int top);

private:
    QLabel* banner_;
    QLabel* heading_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* cancel_;
};

// A borderless read-only text on the page's background, for the pages' introductions.
QPlainTextEdit* MakeIntroText(QWidget* parent, const QString& objectName, const QRect& geometry);

// A read-only box of result or information lines: button-face colour, no wrapping, both
// scroll bars.
QPlainTextEdit* MakeReadOnlyBox(QWidget* parent, const QString& objectName, const QRect& geometry);

// Caret to the first line, nothing selected.
void ScrollToStart(QPlainTextEdit* box);

} // namespace bv
