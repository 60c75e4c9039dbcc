// Page 5, "Job Summary": every setting the coming run will use, and "Analyze".
#pragma once

#include "wizard/wizard_page.h"

#include <QStringList>

class QLabel;

namespace bv {

class JobSummaryPage : public WizardPage {
    Q_OBJECT
public:
    explicit JobSummaryPage(QWidget* parent = nullptr);

    QPlainTextEdit* introText; // Memo5
    QLabel* settingsLabel;     // "Settings:"
    QPlainTextEdit* summary;   // Memo6

    QPushButton* AnalyzeButton() const { return NextButton(); } // Button9 "Analyze"

    void FillTexts();
    // Shows the lines from the first one on; the box takes the focus unless a run has
    // disabled the page.
    void ShowSummary(const QStringList& lines);
};

} // namespace bv
