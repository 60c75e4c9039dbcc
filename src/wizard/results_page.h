// Page 7, "Results": the overview and results texts of the last run, each with "Save...",
// and the place of the result graph.
#pragma once

#include "analysis/graph_tables.h"
#include "graph/frame_pictures.h"
#include "wizard/wizard_page.h"

#include <QImage>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

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
    QPushButton* saveWorstFrames;  // Button40 "Worst Frames...": pictures of each file's worst frame
    QPushButton* saveShownFrame;   // Button41 "This Frame...": pictures of the page's first frame
    QLabel* writing;               // Label60: the file the run's end steps write now

    void SetTexts(const QStringList& overviewLines, const QStringList& resultsLines);
    // What the end of a run writes now, with the file's path as tool tip; empty once all
    // files are written.
    void ShowWriting(const QString& text, const QString& path);
    // The shown text box takes the keyboard focus.
    void FocusShownText();

    void SaveOverview();
    void SaveResults();

    // At the end of a run with SSIM: the first page with the sources whose analysis began,
    // then the scroll bar over the first source's analysed frames, and the tab shown. The
    // tables stay the window's; `sourceNames` are the run's Source Files 2, for the legend;
    // `listEntries` counts the list's entries now, which limits the sources paging draws.
    void SetUpGraph(const GraphTables& tables, const std::vector<std::string>& sourceNames, int sourcesBegun,
                    std::function<int()> listEntries);
    // After a run without SSIM.
    void HideGraph();
    // While a run rebuilds the tables the graph is not redrawn.
    void FreezeGraph(bool frozen) { graphFrozen_ = frozen; }
    // The page whose first frame offset is `position` (ScrollBar1's change handler).
    void ShowGraphPage(int position);
    // "Save..." of the graph: the page on screen as a JPEG file.
    void SaveGraphPage();
    const QImage& GraphPage() const { return graphPage_; }
    // "Worst Frames..." (worst) and "This Frame...": the pictures into a folder the user chooses.
    void SaveFramePictures(bool worst);
    // Saves the pictures of a choice for the first `filesBegun` files; `choice.frame` counts
    // analysed frames (the graph's position). Set by the window, which reads the frames again.
    std::function<SavedPictures(const PictureChoice& choice, int filesBegun)> savePictures;

    // The date-time stamp of proposed file names; tests fix the clock here.
    std::function<QString()> stampClock;

private:
    void SaveText(const QStringList& lines, const char* suffix);

    Dialogs& dialogs_;
    // The boxes' lines exactly as the run gave them, empty last lines included.
    QStringList overviewLines_;
    QStringList resultsLines_;
    const GraphTables* tables_ = nullptr;
    std::vector<std::string> sourceNames_;
    int sourcesBegun_ = 0;
    std::function<int()> listEntries_;
    bool graphFrozen_ = false;
    QImage graphPage_; // the page Image2 shows
};

} // namespace bv
