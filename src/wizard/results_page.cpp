#include "wizard/results_page.h"

#include "analysis/text_file.h"
#include "analysis/time_stamp.h"
#include "i18n/translate.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/dialogs.h"
#include "wizard/file_filters.h"
#include "wizard/ui_text.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <exception>

namespace bv {

namespace {

QWidget* Tab(CenteredTabWidget* tabs, const QString& name, const QString& caption) {
    auto* tab = new QWidget;
    tab->setObjectName(name);
    tabs->addTab(tab, caption);
    return tab;
}

QPushButton* SaveButton(QWidget* tab, const QString& name) {
    auto* button = new QPushButton(Caption("Save..."), tab);
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
    resultTabs->setTabVisible(kGraphicTab, false); // until a run with SSIM has drawn the graph

    connect(resultTabs, &QTabWidget::currentChanged, this, &ResultsPage::FocusShownText);
    connect(saveOverview, &QPushButton::clicked, this, &ResultsPage::SaveOverview);
    connect(saveResults, &QPushButton::clicked, this, &ResultsPage::SaveResults);
}

void ResultsPage::SetTexts(const QStringList& overviewLines, const QStringList& resultsLines) {
    overviewLines_ = overviewLines;
    resultsLines_ = resultsLines;
    overview->setPlainText(overviewLines.join(QLatin1Char('\n')));
    results->setPlainText(resultsLines.join(QLatin1Char('\n')));
    ScrollToStart(overview);
    ScrollToStart(results);
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
    const auto chosen = dialogs_.SaveFile(window(), request);
    if (!chosen)
        return;
    // An existing file of that name is replaced without a question.
    try {
        WriteTextLines(ToStd(WithDefaultSuffix(*chosen, QStringLiteral("txt"))), ToStdLines(lines));
    } catch (const std::exception& e) {
        dialogs_.ShowError(window(), QString::fromStdString(e.what()));
    }
}

} // namespace bv
