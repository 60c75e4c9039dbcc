#include "wizard/results_page.h"

#include "analysis/text_file.h"
#include "analysis/time_stamp.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/jpeg_file.h"
#include "i18n/translate.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/dialogs.h"
#include "wizard/file_filters.h"
#include "wizard/ui_text.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <exception>

namespace bv {

namespace {

QWidget* Tab(CenteredTabWidget* tabs, const QString& name, const QString& caption) {
    auto* tab = new QWidget;
    tab->setObjectName(name);
    tabs->addTab(tab, caption);
    return tab;
}

// The image takes the size of its page; its scroll box scrolls it.
void ShowPage(QLabel* image, const QImage& page) {
    image->setPixmap(QPixmap::fromImage(page));
    image->resize(page.size());
}

QPushButton* SaveButton(QWidget* tab, const QString& name, const QString& caption = Caption("Save...")) {
    auto* button = new QPushButton(caption, tab);
    button->setObjectName(name);
    button->setGeometry(480, 320, 75, 25);
    button->setAutoDefault(false);
    return button;
}

} // namespace

ResultsPage::ResultsPage(Dialogs& dialogs, QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet8"), Caption("Results"), QStringLiteral("Button18"),
                 QStringLiteral("Button32"), QStringLiteral("Button17"), parent),
      stampClock([] { return QString::fromStdString(DateTimeStamp()); }), dialogs_(dialogs) {
    NextButton()->setEnabled(false); // the last page

    resultTabs = new CenteredTabWidget(this);
    resultTabs->setObjectName(QStringLiteral("PageControl3"));
    resultTabs->setGeometry(96, 56, 577, 385);

    QWidget* overviewTab = Tab(resultTabs, QStringLiteral("TabSheet13"), Caption("Overview"));
    overview = MakeReadOnlyBox(overviewTab, QStringLiteral("Memo4"), QRect(16, 16, 537, 289));
    saveOverview = SaveButton(overviewTab, QStringLiteral("Button30"));

    QWidget* resultsTab = Tab(resultTabs, QStringLiteral("TabSheet14"), Caption("Ergebnisse"));
    results = MakeReadOnlyBox(resultsTab, QStringLiteral("Memo12"), QRect(16, 16, 537, 289));
    saveResults = SaveButton(resultsTab, QStringLiteral("Button29"));

    QWidget* graphTab = Tab(resultTabs, QStringLiteral("TabSheet15"), Caption("Graphic"));
    graphBox = new QScrollArea(graphTab);
    graphBox->setObjectName(QStringLiteral("ScrollBox2"));
    graphBox->setGeometry(16, 16, 537, 272);
    graphImage = new QLabel;
    graphImage->setObjectName(QStringLiteral("Image2"));
    graphBox->setWidget(graphImage);
    graphScroll = new QScrollBar(Qt::Horizontal, graphTab);
    graphScroll->setObjectName(QStringLiteral("ScrollBar1"));
    graphScroll->setGeometry(16, 288, 537, 17);
    saveGraph = SaveButton(graphTab, QStringLiteral("Button38"));
    saveWorstFrames = SaveButton(graphTab, QStringLiteral("Button40"), Caption("Worst Frames..."));
    saveWorstFrames->setGeometry(16, 320, 150, 25);
    saveShownFrame = SaveButton(graphTab, QStringLiteral("Button41"), Caption("This Frame..."));
    saveShownFrame->setGeometry(174, 320, 150, 25);
    resultTabs->setTabVisible(kGraphicTab, false); // until a run with SSIM has drawn the graph
    writing = new QLabel(this);
    writing->setObjectName(QStringLiteral("Label60"));
    writing->setGeometry(96, 464, 320, 17);

    connect(resultTabs, &QTabWidget::currentChanged, this, &ResultsPage::FocusShownText);
    connect(saveOverview, &QPushButton::clicked, this, &ResultsPage::SaveOverview);
    connect(saveResults, &QPushButton::clicked, this, &ResultsPage::SaveResults);
    connect(graphScroll, &QScrollBar::valueChanged, this, &ResultsPage::ShowGraphPage);
    connect(saveGraph, &QPushButton::clicked, this, &ResultsPage::SaveGraphPage);
    connect(saveWorstFrames, &QPushButton::clicked, this, [this] { SaveFramePictures(true); });
    connect(saveShownFrame, &QPushButton::clicked, this, [this] { SaveFramePictures(false); });
}

void ResultsPage::SetTexts(const QStringList& overviewLines, const QStringList& resultsLines) {
    overviewLines_ = overviewLines;
    resultsLines_ = resultsLines;
    overview->setPlainText(overviewLines.join(QLatin1Char('\n')));
    results->setPlainText(resultsLines.join(QLatin1Char('\n')));
    ScrollToStart(overview);
    ScrollToStart(results);
}

void ResultsPage::ShowWriting(const QString& text, const QString& path) {
    writing->setToolTip(path);
    writing->setText(writing->fontMetrics().elidedText(text, Qt::ElideMiddle, writing->width()));
}

void ResultsPage::FocusShownText() {
    if (resultTabs->currentIndex() == kOverviewTab)
        overview->setFocus();
    else if (resultTabs->currentIndex() == kResultsTab)
        results->setFocus();
}

void ResultsPage::SaveOverview() {
    SaveText(overviewLines_, "_overview");
}

void ResultsPage::SaveResults() {
    SaveText(resultsLines_, "_results");
}

void ResultsPage::SaveText(const QStringList& lines, const char* suffix) {
    FileDialogRequest request;
    request.filters = {TextFilesFilter()};
    request.proposedName = QStringLiteral("bv_") + stampClock() + QString::fromLatin1(suffix);
    request.defaultSuffix = QStringLiteral("txt");
    const auto chosen = dialogs_.SaveFileIn(FolderKind::SavedResults, window(), request);
    if (!chosen)
        return;
    // An existing file of that name is replaced without a question.
    try {
        WriteTextLines(ToStd(WithDefaultSuffix(*chosen, QStringLiteral("txt"))), ToStdLines(lines));
    } catch (const std::exception& e) {
        dialogs_.ShowError(window(), QString::fromStdString(e.what()));
    }
}

void ResultsPage::SetUpGraph(const GraphTables& tables, const std::vector<std::string>& sourceNames,
                             int sourcesBegun, std::function<int()> listEntries) {
    tables_ = &tables;
    sourceNames_ = sourceNames;
    sourcesBegun_ = sourcesBegun;
    listEntries_ = std::move(listEntries);
    graphFrozen_ = false;
    graphPage_ = RenderGraphPage(kScreenPageWidth, kGraphPageHeight, 0, sourcesBegun, tables, sourceNames_);
    ShowPage(graphImage, graphPage_);

    // Range and position in one step; only a position that moves redraws (from page 0).
    const GraphScrollRange range = ResultsScrollRange(tables);
    const int previous = graphScroll->value();
    {
        const QSignalBlocker quiet(graphScroll);
        graphScroll->setRange(range.minimum, range.maximum);
        graphScroll->setValue(range.position);
        graphScroll->setSingleStep(range.smallChange);
        graphScroll->setPageStep(range.largeChange);
    }
    if (previous != range.position)
        ShowGraphPage(range.position);
    // Without an analysed frame there is nothing to scroll to: the empty first page stays.
    graphScroll->setEnabled(FirstSourceFrameCount(tables) > 0);
    resultTabs->setTabVisible(kGraphicTab, true);
}

void ResultsPage::HideGraph() {
    resultTabs->setTabVisible(kGraphicTab, false);
}

void ResultsPage::ShowGraphPage(int position) {
    if (tables_ == nullptr || graphFrozen_)
        return;
    const int entries = listEntries_ ? listEntries_() : static_cast<int>(sourceNames_.size());
    graphPage_ = RenderGraphPage(kScreenPageWidth, kGraphPageHeight, position,
                                 ResultsSourcesDrawn(entries, *tables_), *tables_, sourceNames_);
    ShowPage(graphImage, graphPage_);
}

void ResultsPage::SaveGraphPage() {
    FileDialogRequest request;
    request.filters = {JpgFilesFilter()};
    request.proposedName =
        QString::fromStdString(GraphPageSaveName(ToStd(stampClock()), graphScroll->value()));
    request.defaultSuffix = QStringLiteral("jpg");
    const auto chosen = dialogs_.SaveFileIn(FolderKind::SavedResults, window(), request);
    if (!chosen || graphPage_.isNull())
        return;
    // An existing file of that name is replaced without a question.
    try {
        WriteJpegFile(ToStd(WithDefaultSuffix(*chosen, QStringLiteral("jpg"))), EncodeJpeg(graphPage_));
    } catch (const std::exception& e) {
        dialogs_.ShowError(window(), QString::fromStdString(e.what()));
    }
}

void ResultsPage::SaveFramePictures(bool worst) {
    if (!savePictures || tables_ == nullptr)
        return;
    const auto folder = dialogs_.ChooseFolder(window(), Tr("Select a folder for the pictures."),
                                              dialogs_.StartFolder(FolderKind::SavedResults));
    if (!folder)
        return;
    dialogs_.SetStartFolder(FolderKind::SavedResults, *folder);
    PictureChoice choice;
    choice.worst = worst ? 1 : 0;
    choice.frame = graphScroll->value();
    choice.folder = ToStd(QDir(*folder).absolutePath()) + "/";
    const SavedPictures saved = savePictures(choice, sourcesBegun_);
    if (!saved.errors.empty())
        dialogs_.ShowError(window(), ToQStringList(saved.errors).join(QLatin1Char('\n')));
    else
        dialogs_.Inform(window(), Tr("Pictures saved:") + QStringLiteral(" %1").arg(saved.written.size()));
}

} // namespace bv
