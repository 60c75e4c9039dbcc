// Page 7, "Results": the overview and results texts of the last run, each with "Save...",
// and the place of the result graph.
#pragma once

#include "wizard/wizard_page.h"

#include <QStringList>
#include <functional>

class QLabel;
class QScrollArea;
class QScrollBar;

namespace bv {

class CenteredTabWidget;
class Dialogs;

class ResultsPage : public WizardPage {
    Q_OBJECT
public:
    explicit ResultsPage(Dialogs& dialogs, QWidget* parent = nullptr);

    enum InnerTab { kOverviewTab = 0, kResultsTab = 1, kGraphicTab = 2 };

    CenteredTabWidget* resultTabs; // PageControl3
    QPlainTextEdit* overview;      // Memo4
    QPushButton* saveOverview;     // Button30 "Save..."
    QPlainTextEdit* results;       // Memo12
    QPushButton* saveResults;      // Button29 "Save..."
    QScrollArea* graphBox;         // ScrollBox2
    QLabel* graphImage;            // Image2
    QScrollBar* graphScroll;       // ScrollBar1
    QPushButton* saveGraph;        // Button38 "Save..."

    void SetTexts(const QStringList& overviewLines, const QStringList& resultsLines);
    // The shown text box takes the keyboard focus.
    void FocusShownText();

    void SaveOverview();
    void SaveResults();

    // The date-time stamp of proposed file names; tests fix the clock here.
    std::function<QString()> stampClock;

private:
    void SaveText(const QStringList& lines, const char* suffix);

    Dialogs& dialogs_;
    // The boxes' lines exactly as the run gave them, empty last lines included.
    QStringList overviewLines_;
    QStringList resultsLines_;
};

} // namespace bv
