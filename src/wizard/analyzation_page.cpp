#include "wizard/analyzation_page.h"

#include "analysis/live_figures.h"
#include "graph/preview_image.h"
#include "i18n/translate.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/ui_text.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>

namespace bv {

namespace {

constexpr int kRowHeight = 16;

QLabel* Label(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

// One row of a figure tab: caption on the left, value beside it.
QLabel* FigureRow(QWidget* tab, int row, const QString& caption, const QString& valueName) {
    const int top = 16 + row * kRowHeight;
    Label(tab, QString(), caption, QRect(16, top, 180, 14));
    return Label(tab, valueName, QString(), QRect(200, top, 340, 14));
}

QWidget* Tab(CenteredTabWidget* tabs, const QString& name, const QString& caption) {
    auto* tab = new QWidget;
    tab->setObjectName(name);
    tabs->addTab(tab, caption);
    return tab;
}

} // namespace

AnalyzationPage::AnalyzationPage(QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet7"), Caption("Analyzation..."), QStringLiteral("Button21"),
                 QStringLiteral("Button22"), QStringLiteral("Button20"), parent) {
    // The page's own navigation is never available: "Stop" is the way out of a run.
    PreviousButton()->setEnabled(false);
    NextButton()->setEnabled(false);
    CancelButton()->setEnabled(false);

    auto row = [&](int top, const char* caption, const QString& valueName) {
        if (caption != nullptr)
            Label(this, QString(), QString::fromUtf8(caption), QRect(96, top, 176, 14));
        return Label(this, valueName, QString(), QRect(280, top, 393, 14));
    };
    startFrameValue = row(56, Caption("Start Frame:"), QStringLiteral("Label35"));
    endFrameValue = row(72, Caption("End Frame:"), QStringLiteral("Label33"));
    fileCountValue = row(88, Caption("Analyze Video:"), QStringLiteral("Label7"));
    filePathValue = row(104, nullptr, QStringLiteral("Label54"));
    filePathValue->setTextFormat(Qt::PlainText);
    analysedFrameValue = row(120, Caption("Analyzed Frames:"), QStringLiteral("Label20"));
    offsetValue = row(136, Caption("Frame Offset:"), QStringLiteral("LabelOffset"));

    figureTabs = new CenteredTabWidget(this);
    figureTabs->setObjectName(QStringLiteral("PageControl2"));
    figureTabs->setGeometry(96, 152, 577, 249);

    QWidget* previewTab = Tab(figureTabs, QStringLiteral("TabSheet9"), Caption("Preview"));
    Label(previewTab, QString(), Caption("Source File 1:"), QRect(16, 18, 164, 14));
    Label(previewTab, QString(), Caption("Source File 2:"), QRect(305, 18, 164, 14));
    preview1 = Label(previewTab, QStringLiteral("Image12"), QString(), QRect(16, 37, 164, 164));
    preview2 = Label(previewTab, QStringLiteral("Image11"), QString(), QRect(305, 37, 164, 164));
    for (QLabel* image : {preview1, preview2})
        image->setScaledContents(true);

    QWidget* psnrTab =
        Tab(figureTabs, QStringLiteral("TabSheet10"), Caption("PSNR, MSE and Euclidean Distance"));
    psnrY = FigureRow(psnrTab, 0, Caption("PSNR in Y:"), QStringLiteral("Label51"));
    mseY = FigureRow(psnrTab, 2, Caption("MSE in Y:"), QStringLiteral("Label46"));
    mseU = FigureRow(psnrTab, 3, Caption("MSE in U:"), QStringLiteral("Label48"));
    mseV = FigureRow(psnrTab, 4, Caption("MSE in V:"), QStringLiteral("Label50"));
    edY = FigureRow(psnrTab, 6, Caption("Euclidean Distance in Y:"), QStringLiteral("Label17"));
    edU = FigureRow(psnrTab, 7, Caption("Euclidean Distance in U:"), QStringLiteral("Label22"));
    edV = FigureRow(psnrTab, 8, Caption("Euclidean Distance in V:"), QStringLiteral("Label24"));
    edYuv = FigureRow(psnrTab, 10, Caption("Euclidean Distance in YUV:"), QStringLiteral("Label12"));

    QWidget* ssimTab = Tab(figureTabs, QStringLiteral("TabSheet11"), Caption("SSIM"));
    qY = FigureRow(ssimTab, 0, Caption("Q in Y:"), QStringLiteral("Label42"));
    ssimY = FigureRow(ssimTab, 1, Caption("SSIM in Y:"), QStringLiteral("Label43"));
    lowestQ = FigureRow(ssimTab, 3, Caption("Lowest Q in Y:"), QStringLiteral("Label38"));
    highestQ = FigureRow(ssimTab, 4, Caption("Highest Q in Y:"), QStringLiteral("Label39"));

    QWidget* graphTab = Tab(figureTabs, QStringLiteral("TabSheet12"), Caption("Graphic"));
    graphBox = new QScrollArea(graphTab);
    graphBox->setObjectName(QStringLiteral("ScrollBox1"));
    graphBox->setGeometry(8, 8, 553, 205);
    graphImage = new QLabel;
    graphImage->setObjectName(QStringLiteral("Image1"));
    graphBox->setWidget(graphImage);

    figureValues_ = {edYuv, edY, edU, edV, lowestQ, highestQ, qY, ssimY, mseY, mseU, mseV, psnrY};

    stopButton = AddButton(QStringLiteral("Button25"), Caption("Stop"), 598, 420);
    connect(figureTabs, &QTabWidget::currentChanged, this, &AnalyzationPage::FigureTabChanged);
}

void AnalyzationPage::SetUpTabs(bool psnr, bool ssim, bool preview) {
    figureTabs->setTabVisible(kPsnrTab, psnr);
    if (psnr)
        figureTabs->setCurrentIndex(kPsnrTab);
    figureTabs->setTabVisible(kSsimTab, ssim);
    figureTabs->setTabVisible(kGraphicTab, ssim);
    if (ssim)
        figureTabs->setCurrentIndex(kSsimTab);
    figureTabs->setTabVisible(kPreviewTab, preview);
    if (preview)
        figureTabs->setCurrentIndex(kPreviewTab);
}

void AnalyzationPage::ClearDisplay(int startFrame, int endFrame) {
    for (QLabel* label :
         {analysedFrameValue, startFrameValue, endFrameValue, fileCountValue, filePathValue, offsetValue})
        label->clear();
    ClearFigures(true);
    startFrameValue->setText(QString::number(startFrame));
    endFrameValue->setText(QString::number(endFrame));
}

void AnalyzationPage::StartFile(const QString& path) {
    analysedFrameValue->clear();
    fileCountValue->clear();
    filePathValue->setText(path);
    offsetValue->clear();
    ClearFigures(false);
}

void AnalyzationPage::ShowProgress(int fileIndex, int fileCount, int frame) {
    fileCountValue->setText(QString::number(fileIndex + 1) + QLatin1Char(' ') + Tr("of") + QLatin1Char(' ') +
                            QString::number(fileCount));
    analysedFrameValue->setText(QString::number(frame));
}

void AnalyzationPage::ClearFigures(bool previews) {
    for (QLabel* label : figureValues_)
        label->clear();
    if (previews) {
        preview1->clear();
        preview2->clear();
    }
}

void AnalyzationPage::SizePreviews(QSize clip1, QSize clip2) {
    preview1->resize(FitPreviewImage(clip1.width(), clip1.height()));
    preview2->resize(FitPreviewImage(clip2.width(), clip2.height()));
}

void AnalyzationPage::ShowOffset(const QString& text) {
    offsetValue->setText(text);
}

void AnalyzationPage::ShowFigures(int tab, const LiveFigures& f) {
    const auto show = [](QLabel* label, const std::string& text) {
        label->setText(QString::fromStdString(text));
    };
    if (tab == kPsnrTab) {
        if (!f.psnrY.empty())
            show(psnrY, f.psnrY);
        show(mseY, f.mse[0]);
        show(mseU, f.mse[1]);
        show(mseV, f.mse[2]);
        show(edY, f.ed[0]);
        show(edU, f.ed[1]);
        show(edV, f.ed[2]);
        show(edYuv, f.edYuv);
    } else if (tab == kSsimTab) {
        show(qY, f.qY);
        show(ssimY, f.ssimY);
        show(lowestQ, f.lowestQ);
        show(highestQ, f.highestQ);
    }
}

void AnalyzationPage::ShowPreviews(const QImage& clip1, const QImage& clip2) {
    preview1->setPixmap(QPixmap::fromImage(clip1));
    preview2->setPixmap(QPixmap::fromImage(clip2));
}

void AnalyzationPage::ShowLiveGraph(const QImage& page) {
    graphImage->setPixmap(QPixmap::fromImage(page));
    graphImage->resize(page.size());
}

void AnalyzationPage::FigureTabChanged(int index) {
    ClearFigures(index == kPreviewTab);
}

} // namespace bv
