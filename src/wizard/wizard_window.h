// The program's one window: eight wizard pages from "Welcome" to "Results", the shared
// state of a job, and the run started by "Analyze".
#pragma once

#include "analysis/analysis_run.h"
#include "analysis/graph_tables.h"
#include "wizard/run_controller.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

namespace bv {

class AdvancedSettingsPage;
class AnalyzationPage;
class CenteredTabWidget;
class Dialogs;
class JobSummaryPage;
class LoadSource1Page;
class LoadSources2Page;
class ResultsPage;
class SavingFilesPage;
class ScriptEnvironment;
class WelcomePage;
class WizardPage;

// What the window uses from outside; tests replace the dialogs, the run and the shutdown.
struct WizardServices {
    std::shared_ptr<Dialogs> dialogs;     // null: the real dialogs
    RunController::RunFunction run;       // empty: the analysis run on its own thread
    std::function<bool()> shutdownSystem; // empty: the run's own request to the system
    GraphExporter exportGraphPages;       // empty: the graph's JPEG export
};

class WizardWindow : public QWidget {
    Q_OBJECT
public:
    enum PageIndex {
        kWelcome = 0,
        kLoadSource1,
        kLoadSources2,
        kAdvancedSettings,
        kSavingFiles,
        kJobSummary,
        kAnalyzation,
        kResults,
        kPageCount
    };

    explicit WizardWindow(WizardServices services = {}, QWidget* parent = nullptr);
    ~WizardWindow() override;

    CenteredTabWidget* Pages() const { return pages_; } // PageControl1
    WelcomePage* Welcome() const { return welcome_; }
    LoadSource1Page* Source1() const { return source1_; }
    LoadSources2Page* Sources2() const { return sources2_; }
    AdvancedSettingsPage* Settings() const { return settings_; }
    SavingFilesPage* Saving() const { return saving_; }
    JobSummaryPage* Summary() const { return summary_; }
    AnalyzationPage* Analyzation() const { return analyzation_; }
    ResultsPage* Results() const { return results_; }
    WizardPage* Page(int index) const;

    bool StopRequested() const { return stopRequested_; }
    bool ClosingForShutdown() const { return closingForShutdown_; }
    bool IsRunning() const { return running_; }
    // Held while a question that may end the run is open.
    const RunHold& Hold() const { return hold_; }
    const GraphTables& Graph() const { return graph_; }
    const RunController& Controller() const { return *controller_; }

    void ShowAbout();
    void Analyze();
    void Stop();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPages();
    void ConnectNavigation();
    void FillTexts();
    void GoNext(int from);
    void GoPrevious(int from);
    void PageShown(int index);
    void SetSetupPagesEnabled(bool enabled);
    void ShowRunProgress();
    void ShowWriting(const LiveUpdate& update);
    // The run's texts and graph on "Results", which becomes the page shown.
    void PresentResults(const RunOutcome& outcome);
    void RunFinished();
    // A Yes/No question during a run holds the run until it is answered; `onYes` runs
    // before the run goes on.
    bool AskHoldingTheRun(const QString& question, const std::function<void()>& onYes);
    void DeleteGeneratedScripts();
    // Created with the window; when AviSynth was missing then, tried again on each use.
    ScriptEnvironment& Environment();

    WizardServices services_;
    std::shared_ptr<Dialogs> dialogs_;
    std::unique_ptr<ScriptEnvironment> environment_;
    QString environmentError_;
    GraphTables graph_; // the last SSIM run's values, kept for the graph pages
    std::atomic<bool> stopRequested_{false};
    RunHold hold_;
    bool asking_ = false;        // a question holds the run; its news wait for the answer
    bool finishPending_ = false; // the run ended while a question was open
    bool resultsShown_ = false;  // this run's results are on "Results" already
    bool closingForShutdown_ = false;
    bool running_ = false;
    bool closeAgreed_ = false; // the user agreed to quit during a run
    AnalysisSettings runSettings_; // the run under way
    bool fileFramesShown_ = false;            // a frame of the current file is on the page

    CenteredTabWidget* pages_ = nullptr;
    WelcomePage* welcome_ = nullptr;
    LoadSource1Page* source1_ = nullptr;
    LoadSources2Page* sources2_ = nullptr;
    AdvancedSettingsPage* settings_ = nullptr;
    SavingFilesPage* saving_ = nullptr;
    JobSummaryPage* summary_ = nullptr;
    AnalyzationPage* analyzation_ = nullptr;
    ResultsPage* results_ = nullptr;
    RunController* controller_ = nullptr;
};

} // namespace bv
