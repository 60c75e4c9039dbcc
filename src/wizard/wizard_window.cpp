#include "wizard/wizard_window.h"

#include "analysis/live_figures.h"
#include "analysis/run_file_names.h"
#include "analysis/template_script.h"
#include "frame_source/script_environment.h"
#include "graph/graph_export.h"
#include "graph/preview_image.h"
#include "i18n/qt/window_translation.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"
#include "player/preview_player.h"
#include "wizard/about_text.h"
#include "wizard/advanced_settings_page.h"
#include "wizard/analyzation_page.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/dialogs.h"
#include "wizard/job_summary.h"
#include "wizard/job_summary_page.h"
#include "wizard/load_source1_page.h"
#include "wizard/load_sources2_page.h"
#include "wizard/results_page.h"
#include "wizard/saving_files_page.h"
#include "wizard/settings_reader.h"
#include "wizard/template_group.h"
#include "wizard/ui_text.h"
#include "wizard/welcome_page.h"
#include "wizard/window_font.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace bv {

namespace {
constexpr int kWindowWidth = 714;
constexpr int kWindowHeight = 544;
} // namespace

WizardWindow::WizardWindow(WizardServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      dialogs_(services_.dialogs ? services_.dialogs : std::make_shared<QtDialogs>()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brevanta"));
    setFixedSize(kWindowWidth, kWindowHeight);
    setFont(WindowFont());

    // The one script environment of the program's life. Without AviSynth the window still
    // opens; the reason is shown once the window is up, and again on every use.
    try {
        environment_ = std::make_unique<ScriptEnvironment>();
    } catch (const std::exception& e) {
        environmentError_ = QString::fromStdString(e.what());
        QTimer::singleShot(0, this, [this] { dialogs_->ShowError(this, environmentError_); });
    }

    BuildPages();
    const QString templatesFolder = QString::fromStdString(ProgramFilesHere().templatesFolder);
    dialogs_->SetStartFolder(FolderKind::Templates, templatesFolder);
    // Every caption in the user's language, before the code writes its own texts.
    try {
        TranslateWindow(this);
    } catch (const std::exception& e) {
        const QString problem = QString::fromStdString(e.what());
        QTimer::singleShot(0, this, [this, problem] { dialogs_->ShowError(this, problem); });
    }
    FillTexts();
    for (int i = kWelcome + 1; i < kPageCount; ++i)
        pages_->setTabVisible(i, false);
    pages_->setCurrentIndex(kWelcome);
    ConnectNavigation();

    controller_ = new RunController(services_.run, this);
    connect(controller_, &RunController::progressChanged, this, &WizardWindow::ShowRunProgress);
    connect(controller_, &RunController::finished, this, &WizardWindow::RunFinished);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

WizardWindow::~WizardWindow() {
    // A window torn down under a running job stops it and waits for its end steps.
    stopRequested_ = true;
    hold_.Release();
    controller_->Wait();
    // The players' clips go before the script environment they belong to.
    source1_->player->Close();
    sources2_->player->Close();
}

void WizardWindow::BuildPages() {
    pages_ = new CenteredTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setGeometry(8, 8, 697, 529);

    auto environment = [this]() -> ScriptEnvironment& { return Environment(); };
    welcome_ = new WelcomePage;
    source1_ = new LoadSource1Page(*dialogs_, environment);
    sources2_ = new LoadSources2Page(*dialogs_, environment);
    settings_ = new AdvancedSettingsPage;
    saving_ = new SavingFilesPage(*dialogs_);
    summary_ = new JobSummaryPage;
    analyzation_ = new AnalyzationPage;
    results_ = new ResultsPage(*dialogs_);
    // The frames are read again through the last run's sources and templates.
    results_->savePictures = [this](PictureChoice choice, int filesBegun) {
        choice.frame += runSettings_.StartFrame;
        return SaveRunPictures(Environment(), runSettings_, graph_, filesBegun, choice);
    };
    pages_->addTab(welcome_, Caption("Welcome"));
    pages_->addTab(source1_, Caption("Load Source 1"));
    pages_->addTab(sources2_, Caption("Load Sources 2"));
    pages_->addTab(settings_, Caption("Advanced Settings"));
    pages_->addTab(saving_, Caption("Saving Your Files"));
    pages_->addTab(summary_, Caption("Job Summary"));
    pages_->addTab(analyzation_, Caption("Analyzation"));
    pages_->addTab(results_, Caption("Results"));
    for (PreviewPlayer* player : {source1_->player, sources2_->player})
        player->SetEnvironment(environment);
}

WizardPage* WizardWindow::Page(int index) const {
    return qobject_cast<WizardPage*>(pages_->widget(index));
}

void WizardWindow::FillTexts() {
    welcome_->FillTexts();
    summary_->FillTexts();
    saving_->FillTexts();
    source1_->FillTexts();
}

void WizardWindow::ConnectNavigation() {
    for (int i = kWelcome; i <= kSavingFiles; ++i)
        connect(Page(i)->NextButton(), &QPushButton::clicked, this, [this, i] { GoNext(i); });
    for (int i : {kLoadSource1, kLoadSources2, kAdvancedSettings, kSavingFiles, kJobSummary, kResults})
        connect(Page(i)->PreviousButton(), &QPushButton::clicked, this, [this, i] { GoPrevious(i); });
    for (int i = kWelcome; i < kPageCount; ++i)
        connect(Page(i)->CancelButton(), &QPushButton::clicked, this, &QWidget::close);
    connect(pages_, &QTabWidget::currentChanged, this, &WizardWindow::PageShown);

    connect(welcome_->aboutButton, &QPushButton::clicked, this, &WizardWindow::ShowAbout);
    connect(summary_->AnalyzeButton(), &QPushButton::clicked, this, &WizardWindow::Analyze);
    connect(analyzation_->stopButton, &QPushButton::clicked, this, &WizardWindow::Stop);
    // The run reads the figure tab at every frame (the page blanks its figures itself).
    connect(analyzation_->figureTabs, &QTabWidget::currentChanged, this,
            [this](int tab) { controller_->SetFigureTab(tab); });
    // The players convert YUY2 as the run's preview will.
    connect(settings_->rec601, &QRadioButton::toggled, this, [this](bool rec601) {
        for (PreviewPlayer* player : {source1_->player, sources2_->player})
            player->SetRecommendation(rec601 ? kPreviewRec601 : kPreviewPc601);
    });
    connect(source1_, &LoadSource1Page::sourceChosen, settings_, &AdvancedSettingsPage::ResetFrameRange);
    connect(sources2_, &LoadSources2Page::sourceChosen, settings_, &AdvancedSettingsPage::ResetFrameRange);
}

void WizardWindow::GoNext(int from) {
    pages_->setTabVisible(from + 1, true);
    for (int i = from + 1; i < kPageCount; ++i) {
        if (pages_->isTabVisible(i)) {
            pages_->setCurrentIndex(i);
            return;
        }
    }
}

void WizardWindow::GoPrevious(int from) {
    for (int i = from - 1; i >= 0; --i) {
        if (pages_->isTabVisible(i)) {
            pages_->setCurrentIndex(i);
            return;
        }
    }
}

void WizardWindow::PageShown(int index) {
    if (index == kJobSummary)
        summary_->ShowSummary(BuildJobSummary(*source1_, *sources2_, *settings_, *saving_));
    else if (index == kResults)
        results_->FocusShownText();
}

ScriptEnvironment& WizardWindow::Environment() {
    if (!environment_) {
        environment_ = std::make_unique<ScriptEnvironment>(); // throws AviSynth's reason again
        environmentError_.clear();
    }
    return *environment_;
}

void WizardWindow::ShowAbout() {
    const AvsLibrary* library = nullptr;
    if (environment_) {
        library = &environment_->library();
    } else {
        try {
            library = &AvsLibrary::Load();
        } catch (const std::exception&) {
        }
    }
    dialogs_->Inform(this, AboutText(library));
}

void WizardWindow::SetSetupPagesEnabled(bool enabled) {
    for (int i = kWelcome; i <= kJobSummary; ++i)
        Page(i)->setEnabled(enabled);
}

void WizardWindow::Analyze() {
    if (running_)
        return;
    AnalysisSettings settings;
    try {
        settings = ReadAnalysisSettings(*source1_, *sources2_, *settings_, *saving_);
    } catch (const std::exception& e) {
        dialogs_->ShowError(this, QString::fromStdString(e.what()));
        return;
    }
    stopRequested_ = false;
    analyzation_->SetUpTabs(settings.MetricPsnr, settings.MetricSsim, settings.ShowPreview);
    if (const std::string refusal = ValidateSettings(settings); !refusal.empty()) {
        dialogs_->Inform(this, QString::fromStdString(refusal));
        stopRequested_ = true;
        return;
    }
    // Before the first frame: a run whose logs have nowhere to go would lose every figure.
    if (const std::string refusal = CheckStorageFolders(settings); !refusal.empty()) {
        dialogs_->ShowError(this, QString::fromStdString(refusal));
        return;
    }
    ScriptEnvironment* environment = nullptr;
    try {
        environment = &Environment();
    } catch (const std::exception& e) {
        dialogs_->ShowError(this, QString::fromStdString(e.what()));
        return;
    }

    results_->SetTexts({}, {});
    // The players let go of the sources before the run opens them.
    source1_->player->Close();
    sources2_->player->Close();
    analyzation_->ClearDisplay(settings.StartFrame, settings.EndFrame);
    controller_->SetFigureTab(analyzation_->figureTabs->currentIndex());
    runSettings_ = settings;
    fileFramesShown_ = false;
    resultsShown_ = false;
    results_->FreezeGraph(true); // the run rebuilds the tables it draws from

    pages_->setTabVisible(kResults, false);
    pages_->setTabVisible(kAnalyzation, true);
    pages_->setCurrentIndex(kAnalyzation);
    // Nothing that reaches AviSynth or the settings is usable while the run thread works.
    SetSetupPagesEnabled(false);
    running_ = true;

    RunContext context;
    context.environment = environment;
    context.graph = &graph_;
    context.stopRequested = &stopRequested_;
    context.hold = &hold_;
    context.exportGraphPages =
        services_.exportGraphPages
            ? services_.exportGraphPages
            : MakeGraphExporter(settings.ExtendedLog && settings.MetricSsim && !settings.LowPriority);
    context.shutdownSystem = services_.shutdownSystem;
    controller_->Start(settings, context);
}

bool WizardWindow::AskHoldingTheRun(const QString& question, const std::function<void()>& onYes) {
    const bool holding = running_;
    // Set before the question shows: the run stops before its next frame, its end steps and
    // the shutdown, and goes on only once the answer has taken effect.
    if (holding)
        hold_.Hold();
    asking_ = true;
    const bool yes = dialogs_->Confirm(this, question);
    asking_ = false;
    if (yes && onYes)
        onYes();
    if (holding)
        hold_.Release();
    // What the run reported while the question was open, once the caller has acted on the
    // answer (closing the window takes it into account).
    if (finishPending_ || running_)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (finishPending_)
                    RunFinished();
                else if (running_)
                    ShowRunProgress();
            },
            Qt::QueuedConnection);
    return yes;
}

void WizardWindow::Stop() {
    AskHoldingTheRun(Tr("Do you really want to stop analyzing?"), [this] { stopRequested_ = true; });
}

void WizardWindow::ShowRunProgress() {
    if (asking_)
        return; // taken up once the question is answered
    // Figures and pictures count only for the tab the run saw and that is still showing.
    const int view = controller_->FigureView();
    const int tab = RunController::TabOfView(view);
    for (const LiveUpdate& u : controller_->TakeUpdates()) {
        switch (u.kind) {
        case LiveUpdate::Kind::FileStart:
            // The last figures of the previous file are seen before the next file clears them.
            if (fileFramesShown_ && analyzation_->isVisible())
                analyzation_->repaint();
            fileFramesShown_ = false;
            analyzation_->StartFile(QString::fromStdString(u.path));
            break;
        case LiveUpdate::Kind::ClipsOpened:
            analyzation_->SizePreviews(u.clip1Size, u.clip2Size);
            analyzation_->ShowOffset(QString::fromStdString(u.offset));
            break;
        case LiveUpdate::Kind::Frame:
            analyzation_->ShowProgress(u.fileIndex, u.fileCount, u.frame);
            fileFramesShown_ = true;
            if (u.view != view)
                break;
            if (tab == AnalyzationPage::kPsnrTab || tab == AnalyzationPage::kSsimTab)
                analyzation_->ShowFigures(tab, MakeLiveFigures(u.totals));
            else if (tab == AnalyzationPage::kPreviewTab && !u.preview1.isNull())
                analyzation_->ShowPreviews(u.preview1, u.preview2);
            else if (tab == AnalyzationPage::kGraphicTab && !u.graphPage.isNull())
                analyzation_->ShowLiveGraph(u.graphPage);
            break;
        case LiveUpdate::Kind::FramesDone:
            // Everything is computed: the results show while the files are written. A run
            // that failed on the way ends as before, once its end steps are done.
            if (u.sofar.status != RunStatus::Failed)
                PresentResults(u.sofar);
            break;
        case LiveUpdate::Kind::Writing:
            ShowWriting(u);
            break;
        }
    }
}

void WizardWindow::ShowWriting(const LiveUpdate& u) {
    // The line names the report by its file and a graph page by its number; the whole path
    // shows as the line's tool tip.
    const QString path = QString::fromStdString(u.path);
    if (u.page == 0)
        results_->ShowWriting(Tr("Writing file") + QStringLiteral(": ") + QFileInfo(path).fileName(), path);
    else
        results_->ShowWriting(Tr("Writing graph page") + QStringLiteral(" %1 ").arg(u.page) + Tr("of") +
                                  QStringLiteral(" %1").arg(u.pages),
                              path);
}

void WizardWindow::PresentResults(const RunOutcome& outcome) {
    // Pictures saved from "Results" pair the frames as the run did.
    runSettings_ = WithOffsetsUsed(runSettings_, outcome.offsets);
    resultsShown_ = true;
    results_->SetTexts(ToQStringList(outcome.overviewLines), ToQStringList(outcome.resultsLines));
    results_->FreezeGraph(false);
    if (outcome.status != RunStatus::Refused) {
        // The graph of what was analysed, also when an error ended the run early.
        if (runSettings_.MetricSsim)
            results_->SetUpGraph(graph_, runSettings_.SourceFiles2, outcome.filesBegun,
                                 [this] { return static_cast<int>(sources2_->SourceFiles().size()); });
        else
            results_->HideGraph();
    }
    results_->resultTabs->setCurrentIndex(ResultsPage::kOverviewTab);
    // "Save..." starts where the run wrote its files.
    const int begun = std::max(outcome.filesBegun, 1);
    if (static_cast<int>(runSettings_.SourceFiles2.size()) >= begun)
        dialogs_->SetStartFolder(FolderKind::SavedResults,
                                 QDir::cleanPath(QString::fromStdString(StorageFolderFor(
                                     runSettings_.StoragePath, runSettings_.SourceFile1,
                                     runSettings_.SourceFiles2[begun - 1]))));
    if (outcome.status == RunStatus::Failed || outcome.status == RunStatus::Refused)
        return; // the caller decides where a failed run leaves the window
    pages_->setTabVisible(kResults, true);
    pages_->setCurrentIndex(kResults);
    pages_->setTabVisible(kAnalyzation, false);
    // Back to the settings only once every file is written.
    results_->PreviousButton()->setEnabled(!running_);
}

void WizardWindow::RunFinished() {
    if (asking_) {
        finishPending_ = true;
        return;
    }
    finishPending_ = false;
    ShowRunProgress();
    const RunOutcome outcome = controller_->TakeOutcome();
    running_ = false;
    results_->ShowWriting(QString(), QString());
    results_->PreviousButton()->setEnabled(true);
    SetSetupPagesEnabled(true);

    const bool failed = outcome.status == RunStatus::Failed || outcome.status == RunStatus::Refused;
    const bool stayOnResults = resultsShown_;
    if (!resultsShown_)
        PresentResults(outcome);
    if (failed && !stayOnResults) {
        // Back where a new run can start; whatever the run finished before it failed stays
        // readable on "Results".
        pages_->setTabVisible(kResults, !outcome.overviewLines.empty() || !outcome.resultsLines.empty());
        pages_->setCurrentIndex(kJobSummary);
        pages_->setTabVisible(kAnalyzation, false);
    }

    // An error while writing the files shows over "Results", where everything computed stays.
    switch (outcome.status) {
    case RunStatus::Failed:
        dialogs_->ShowError(this, QString::fromStdString(outcome.error));
        break;
    case RunStatus::Refused:
        dialogs_->ShowError(this, QString::fromStdString(outcome.refusal));
        break;
    case RunStatus::Completed:
    case RunStatus::Stopped:
        break;
    }
    // What the run noted along the way (files it could not analyse).
    QStringList notes;
    for (const std::string& message : outcome.messages)
        notes << QString::fromStdString(message);
    if (!notes.isEmpty())
        dialogs_->Inform(this, notes.join(QLatin1Char('\n')));

    if (closeAgreed_) {
        close();
    } else if (outcome.shutdownAccepted) {
        closingForShutdown_ = true;
        close();
    }
}

void WizardWindow::DeleteGeneratedScripts() {
    for (const char* name : {kGeneratedScript1, kGeneratedScript2})
        RemoveGeneratedScript(name);
}

void WizardWindow::closeEvent(QCloseEvent* event) {
    if (closingForShutdown_ || (closeAgreed_ && !running_)) {
        DeleteGeneratedScripts();
        event->accept();
        return;
    }
    if (closeAgreed_) { // already agreed; the run's end closes the window
        event->ignore();
        return;
    }
    if (!AskHoldingTheRun(Tr("Do you really want to quit Brevanta?"), {})) {
        event->ignore();
        return;
    }
    if (running_) {
        // The run goes on through its end steps (reports, images); then the window closes.
        // Its scripts are removed then too: the run may be about to open one right now.
        closeAgreed_ = true;
        event->ignore();
        return;
    }
    DeleteGeneratedScripts();
    event->accept();
}

} // namespace bv
