// What a run shows: the Analyzation page's figure tabs, preview pictures and live graph while
// it goes, and the Results page's graph after it. The real analysis run works on clips of the
// stand-in AviSynth (frame n filled with the byte n, plus a bias per clip); a gate lets the
// test hold the run after any frame.
#include "analysis/live_figures.h"
#include "graph/graph_page.h"
#include "graph/preview_image.h"
#include "wizard/analyzation_page.h"
#include "wizard/centered_tab_bar.h"
#include "wizard/job_summary_page.h"
#include "wizard/load_sources2_page.h"
#include "wizard/results_page.h"
#include "wizard/wizard_test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>

using namespace bv;
using namespace bv::test;

namespace {

// Passes everything on to the window's observer; after each frame it may hold the run until
// the test lets it go on, and so before the n-th file of its end steps (from 0). It keeps the
// totals of each file's last frame.
class Gate : public RunObserver {
public:
    RunObserver* inner = nullptr;
    std::atomic<bool>* stop = nullptr;
    std::atomic<bool> failExport{false}; // the graph export reports a full disk

    void OnRunStart(const AnalysisSettings& s) override { inner->OnRunStart(s); }
    void OnFileStart(const FileStartInfo& i) override { inner->OnFileStart(i); }
    void OnClipsOpened(const ClipsOpenedInfo& i) override { inner->OnClipsOpened(i); }
    void OnFileEnd(const FileEndInfo& i) override { inner->OnFileEnd(i); }
    void OnMessage(const std::string& t) override { inner->OnMessage(t); }
    void OnRunEnd(const RunOutcome& o) override { inner->OnRunEnd(o); }
    void OnFrame(const FrameReport& report) override {
        inner->OnFrame(report);
        std::unique_lock lock(mutex_);
        lastTotals_[report.fileIndex] = *report.totals;
        ++done_;
        while (done_ >= allowed_ && !stop->load())
            wake_.wait_for(lock, std::chrono::milliseconds(5));
    }
    void OnFramesDone(const RunOutcome& sofar) override { inner->OnFramesDone(sofar); }
    void OnWriting(const WritingInfo& info) override {
        inner->OnWriting(info);
        std::unique_lock lock(mutex_);
        writing_ = writings_++;
        while (writing_ == holdAtWriting_)
            wake_.wait_for(lock, std::chrono::milliseconds(5));
        writing_ = -1;
    }

    void HoldAtWriting(int n) {
        std::lock_guard lock(mutex_);
        holdAtWriting_ = n;
        wake_.notify_all();
    }
    bool HeldAtWriting(int n) {
        std::lock_guard lock(mutex_);
        return writing_ == n && holdAtWriting_ == n;
    }
    // The run stops after its `frames`-th frame in all (counted over every file).
    void HoldAfter(int frames) {
        std::lock_guard lock(mutex_);
        allowed_ = frames;
        wake_.notify_all();
    }
    void Release() {
        HoldAtWriting(-1);
        HoldAfter(INT_MAX);
    }
    // Waits without letting the window's thread handle any event.
    void WaitBlocking(int frames) {
        std::unique_lock lock(mutex_);
        while (done_ < frames)
            wake_.wait_for(lock, std::chrono::milliseconds(5));
    }
    int Done() {
        std::lock_guard lock(mutex_);
        return done_;
    }
    FileTotals LastTotals(int file) {
        std::lock_guard lock(mutex_);
        return lastTotals_[file];
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    int writings_ = 0;
    int writing_ = -1;
    int holdAtWriting_ = -1;
    int allowed_ = INT_MAX;
    int done_ = 0;
    std::map<int, FileTotals> lastTotals_;
};

struct DisplayFixture {
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<std::atomic<int>> shutdowns = std::make_shared<std::atomic<int>>(0); // refused
    QTemporaryDir dir;
    std::unique_ptr<TestWindow> w;

    DisplayFixture() {
        auto g = gate;
        auto asked = shutdowns;
        w = std::make_unique<TestWindow>(
            [g](const AnalysisSettings& s, RunContext& context) {
                RunContext gated = context;
                g->inner = context.observer;
                g->stop = context.stopRequested;
                gated.observer = g.get();
                if (g->failExport)
                    gated.exportGraphPages = [](const GraphExportRequest& r) -> std::vector<std::string> {
                        throw std::runtime_error("Cannot write file \"" + r.storageFolder +
                                                 "page.jpg\": No space left on device");
                    };
                return RunAnalysis(s, gated);
            },
            [asked] {
                ++*asked;
                return false;
            });
    }
    ~DisplayFixture() {
        gate->Release();
        QTRY_VERIFY(!w->window->IsRunning());
    }

    // Source File 1 and the Source Files 2, then "Next" up to "Job Summary".
    void Choose(const QString& source1, const QStringList& sources2) {
        w->LoadSource1(source1);
        for (const QString& s : sources2)
            w->AddSource2(s);
        w->WalkToJobSummary();
    }
    // "Analyze", holding the run after `frames` frames; returns once they are shown.
    void AnalyzeHeldAfter(int frames) {
        gate->HoldAfter(frames);
        w->Click("Button9");
        WaitForFrames(frames);
    }
    void Step(int frames) {
        const int target = gate->Done() + frames;
        gate->HoldAfter(target);
        WaitForFrames(target);
    }
    void WaitForFrames(int frames) {
        QTRY_COMPARE(gate->Done(), frames);
        // The window has taken every update once the run is held and the queue is empty; and
        // longer than the pictures' interval passes before the next frame, so that its picture
        // is drawn however quickly the run delivers frames.
        QTest::qWait(std::max(50, static_cast<int>(w->window->Controller().PictureInterval().count()) + 10));
        QCoreApplication::processEvents();
    }
    void Finish() {
        gate->Release();
        QTRY_VERIFY(!w->window->IsRunning());
    }

    AnalyzationPage* Page() const { return w->window->Analyzation(); }
    QString Label(const char* name) const { return w->Find<QLabel>(name)->text(); }
    QStringList Figures(const QStringList& names) const {
        QStringList texts;
        for (const QString& name : names)
            texts << Label(name.toLatin1().constData());
        return texts;
    }
};

const QStringList kPsnrLabels = {QStringLiteral("Label51"), QStringLiteral("Label46"),
                                 QStringLiteral("Label48"), QStringLiteral("Label50"),
                                 QStringLiteral("Label17"), QStringLiteral("Label22"),
                                 QStringLiteral("Label24"), QStringLiteral("Label12")};
const QStringList kSsimLabels = {QStringLiteral("Label42"), QStringLiteral("Label43"),
                                 QStringLiteral("Label38"), QStringLiteral("Label39")};

QStringList Texts(std::initializer_list<std::string> texts) {
    QStringList list;
    for (const std::string& t : texts)
        list << QString::fromStdString(t);
    return list;
}
QStringList PsnrTexts(const FileTotals& t) {
    const LiveFigures f = MakeLiveFigures(t);
    return Texts({f.psnrY, f.mse[0], f.mse[1], f.mse[2], f.ed[0], f.ed[1], f.ed[2], f.edYuv});
}
QStringList SsimTexts(const FileTotals& t) {
    const LiveFigures f = MakeLiveFigures(t);
    return Texts({f.qY, f.ssimY, f.lowestQ, f.highestQ});
}
QStringList Empty(int count) {
    return QStringList(count, QString());
}

QImage Shown(const QLabel* label) {
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}
QImage LivePage(const GraphTables& tables, int first, int sources, const QStringList& names) {
    std::vector<std::string> list;
    for (const QString& n : names)
        list.push_back(n.toStdString());
    return RenderGraphPage(kScreenPageWidth, kGraphPageHeight, first, sources, tables, list)
        .convertToFormat(QImage::Format_RGB32);
}

// A preview pixel of a frame filled with the byte `value` (Y = U = V).
QRgb PreviewPixel(int value, int recommendation) {
    const uint8_t group[4] = {uint8_t(value), uint8_t(value), uint8_t(value), uint8_t(value)};
    QImage image;
    UnpackYuy2Preview(group, 4, 4, 1, image, 2, 1);
    ConvertPreviewToRgb(image, recommendation, 2, 1);
    return image.pixel(0, 0);
}

} // namespace

class WizardRunDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void onlyTheActiveTabIsFilledAndATabChangeBlanksIt() {
        DisplayFixture f;
        const QString orig =
            WriteClipScript(f.dir, QStringLiteral("orig.avs"), 20, 64, 48, kYuy2, "bias 100");
        const QString enc = WriteClipScript(f.dir, QStringLiteral("enc.avs"), 20, 64, 48, kYuy2, "bias 103");
        f.Choose(orig, {enc});
        f.AnalyzeHeldAfter(5);
        // PSNR and SSIM chosen, no preview: the run starts on the SSIM tab.
        auto* tabs = f.Page()->figureTabs;
        QCOMPARE(tabs->currentIndex(), int(AnalyzationPage::kSsimTab));
        QCOMPARE(f.Label("Label20"), QStringLiteral("4"));
        QCOMPARE(f.Label("Label7"), QStringLiteral("1 of 1"));
        QCOMPARE(f.Figures(kSsimLabels), SsimTexts(f.gate->LastTotals(0)));
        QCOMPARE(f.Figures(kPsnrLabels), Empty(8));
        QVERIFY(f.Page()->graphImage->pixmap().isNull());

        // Another tab: every figure blank, and it stays so until the next frame.
        tabs->setCurrentIndex(AnalyzationPage::kPsnrTab);
        QCOMPARE(f.Figures(kPsnrLabels + kSsimLabels), Empty(12));
        QTest::qWait(30);
        QCOMPARE(f.Figures(kPsnrLabels), Empty(8));
        f.Step(1);
        QCOMPARE(f.Label("Label20"), QStringLiteral("5"));
        QCOMPARE(f.Figures(kPsnrLabels), PsnrTexts(f.gate->LastTotals(0)));
        QVERIFY(f.Label("Label51").endsWith(QStringLiteral(" dB")));
        QCOMPARE(f.Figures(kSsimLabels), Empty(4));

        // The graphic tab draws the live page from the next frame on; the figures stay blank.
        tabs->setCurrentIndex(AnalyzationPage::kGraphicTab);
        QVERIFY(f.Page()->graphImage->pixmap().isNull());
        f.Step(1);
        QCOMPARE(Shown(f.Page()->graphImage), LivePage(f.w->window->Graph(), 0, 1, {enc}));
        QCOMPARE(f.Page()->graphImage->size(), QSize(kScreenPageWidth, kGraphPageHeight));
        QCOMPARE(f.Figures(kPsnrLabels + kSsimLabels), Empty(12));
        // Back on SSIM the graph keeps its last page.
        tabs->setCurrentIndex(AnalyzationPage::kSsimTab);
        f.Step(1);
        QCOMPARE(f.Figures(kSsimLabels), SsimTexts(f.gate->LastTotals(0)));
        QVERIFY(!f.Page()->graphImage->pixmap().isNull());
    }

    void identicalClipsLeavePsnrInYEmpty() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 10, 64, 48);
        f.Choose(orig, {orig});
        f.w->Click("CheckBox2"); // PSNR alone
        f.AnalyzeHeldAfter(3);
        QCOMPARE(f.Page()->figureTabs->currentIndex(), int(AnalyzationPage::kPsnrTab));
        QVERIFY(f.Label("Label51").isEmpty());
        QCOMPARE(f.Label("Label46"), QStringLiteral("0"));
    }

    void liveGraphTurnsToTheNextPageAtThe51stFrame() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 60, 64, 48);
        const QString enc1 = WriteClipScript(f.dir, QStringLiteral("enc1.avs"), 55, 64, 48, kYuy2, "bias 2");
        const QString enc2 = WriteClipScript(f.dir, QStringLiteral("enc2.avs"), 60, 64, 48, kYuy2, "bias 9");
        f.Choose(orig, {enc1, enc2});
        f.AnalyzeHeldAfter(1);
        f.Page()->figureTabs->setCurrentIndex(AnalyzationPage::kGraphicTab);
        const GraphTables& tables = f.w->window->Graph();
        f.Step(48);
        f.Step(1); // the first file's 50th frame
        QCOMPARE(Shown(f.Page()->graphImage), LivePage(tables, 0, 1, {enc1, enc2}));
        f.Step(1);
        QCOMPARE(Shown(f.Page()->graphImage), LivePage(tables, 50, 1, {enc1, enc2}));
        // The second file draws both sources, from page 0 again until its own 51st frame.
        f.Step(4 + 49);
        f.Step(1);
        QCOMPARE(f.Label("Label7"), QStringLiteral("2 of 2"));
        QCOMPARE(Shown(f.Page()->graphImage), LivePage(tables, 0, 2, {enc1, enc2}));
        f.Step(1);
        QCOMPARE(Shown(f.Page()->graphImage), LivePage(tables, 50, 2, {enc1, enc2}));
    }

    void previewShowsTheFrameJustAnalysedInBoxesFittedToTheClips() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 44, 720, 576);
        const QString enc = WriteClipScript(f.dir, QStringLiteral("enc.avs"), 44, 720, 576, kYuy2, "bias 1");
        const QString portrait = WriteClipScript(f.dir, QStringLiteral("portrait.avs"), 44, 480, 640);
        f.Choose(orig, {enc, portrait});
        f.w->Click("CheckBox1");                                   // preview
        f.w->Click("CheckBox2");                                   // no SSIM: quicker at this size
        f.w->Find<QRadioButton>("RadioButton2")->setChecked(true); // REC.601
        f.AnalyzeHeldAfter(40);
        f.Step(1); // frames 0 to 40
        AnalyzationPage* page = f.Page();
        QCOMPARE(page->figureTabs->currentIndex(), int(AnalyzationPage::kPreviewTab));
        QCOMPARE(page->preview1->geometry(), QRect(16, 37, 164, 131));
        QCOMPARE(page->preview2->geometry(), QRect(305, 37, 164, 131));
        QImage left = Shown(page->preview1);
        QImage right = Shown(page->preview2);
        QCOMPARE(left.size(), QSize(720, 576)); // the frame itself, stretched by the image
        QCOMPARE(left.pixel(360, 288), PreviewPixel(40, kPreviewRec601));
        QCOMPARE(right.pixel(719, 575), PreviewPixel(41, kPreviewRec601));
        QVERIFY(PreviewPixel(40, kPreviewRec601) != PreviewPixel(40, kPreviewPc601));

        // Leaving the preview keeps the pictures; coming back blanks them until the next frame.
        page->figureTabs->setCurrentIndex(AnalyzationPage::kPsnrTab);
        QVERIFY(!page->preview1->pixmap().isNull());
        f.Step(1);
        page->figureTabs->setCurrentIndex(AnalyzationPage::kPreviewTab);
        QVERIFY(page->preview1->pixmap().isNull() && page->preview2->pixmap().isNull());
        QTest::qWait(30);
        QVERIFY(page->preview1->pixmap().isNull());
        f.Step(1);
        QCOMPARE(Shown(page->preview1).pixel(0, 0), PreviewPixel(42, kPreviewRec601));
        QCOMPARE(Shown(page->preview2).pixel(0, 0), PreviewPixel(43, kPreviewRec601));

        // The portrait clip is not analysed (another frame size), yet its box is fitted to it.
        f.Finish();
        QCOMPARE(page->preview1->geometry(), QRect(16, 37, 164, 131));
        QCOMPARE(page->preview2->geometry(), QRect(305, 37, 123, 164));
    }

    void everyFilesLastFiguresAndPicturesAreShown() {
        DisplayFixture f;
        // Bright frames, so that Q is weighted: it rises from frame to frame.
        const QString orig =
            WriteClipScript(f.dir, QStringLiteral("orig.avs"), 250, 64, 48, kYuy2, "bias 100");
        const QString enc1 =
            WriteClipScript(f.dir, QStringLiteral("enc1.avs"), 40, 64, 48, kYuy2, "bias 104");
        const QString enc2 =
            WriteClipScript(f.dir, QStringLiteral("enc2.avs"), 30, 64, 48, kYuy2, "bias 107");
        f.Choose(orig, {enc1, enc2});
        f.w->window->show();
        // What "Highest Q in Y:" reads whenever it is painted; its frame number tells the frames.
        struct PaintLog : QObject {
            QStringList texts;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint)
                    texts << static_cast<QLabel*>(o)->text();
                return false;
            }
        } log;
        f.w->Find<QLabel>("Label39")->installEventFilter(&log);
        f.AnalyzeHeldAfter(1);
        // The window is busy while the first file ends and the second begins: it takes the
        // first file's last frame and the second file's start together.
        f.gate->HoldAfter(41);
        f.gate->WaitBlocking(41);
        QTRY_COMPARE(f.Label("Label7"), QStringLiteral("2 of 2"));
        const QString lastOfFirst = SsimTexts(f.gate->LastTotals(0)).last();
        QVERIFY2(lastOfFirst.endsWith(QStringLiteral(" (39)")), qPrintable(lastOfFirst));
        QVERIFY2(log.texts.contains(lastOfFirst), qPrintable(log.texts.join(QLatin1Char('|'))));

        f.Finish();
        QCOMPARE(f.Label("Label20"), QStringLiteral("29"));
        QCOMPARE(f.Figures(kSsimLabels), SsimTexts(f.gate->LastTotals(1)));

        // At full speed with the preview: its last pictures are those of the last frame.
        f.w->Click("Button18");
        f.w->Click("CheckBox1");
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        QCOMPARE(Shown(f.Page()->preview1).pixel(5, 5), PreviewPixel(29 + 100, kPreviewPc601));
        QCOMPARE(Shown(f.Page()->preview2).pixel(5, 5), PreviewPixel(29 + 107, kPreviewPc601));
    }

    void resultsGraphPagesThroughTheFramesAndSavesThePageShown() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 120, 64, 48);
        const QString enc = WriteClipScript(f.dir, QStringLiteral("enc.avs"), 120, 64, 48, kYuy2, "bias 5");
        f.Choose(orig, {enc});
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        ResultsPage* results = f.w->window->Results();
        const GraphTables& tables = f.w->window->Graph();
        QVERIFY(results->resultTabs->isTabVisible(ResultsPage::kGraphicTab));
        QCOMPARE(results->resultTabs->currentIndex(), int(ResultsPage::kOverviewTab));
        auto* scroll = f.w->Find<QScrollBar>("ScrollBar1");
        QCOMPARE(scroll->minimum(), 0);
        QCOMPARE(scroll->maximum(), 119);
        QCOMPARE(scroll->value(), 0);
        QCOMPARE(scroll->singleStep(), 1);
        QCOMPARE(scroll->pageStep(), 50);
        QVERIFY(scroll->isEnabled());
        auto* image = f.w->Find<QLabel>("Image2");
        QCOMPARE(Shown(image), LivePage(tables, 0, 1, {enc}));

        // A click in the track moves a page of 50 frames, an arrow one frame.
        scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(scroll->value(), 50);
        QCOMPARE(Shown(image), LivePage(tables, 50, 1, {enc}));
        scroll->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(Shown(image), LivePage(tables, 49, 1, {enc}));
        scroll->setValue(119);
        QCOMPARE(Shown(image), LivePage(tables, 119, 1, {enc}));

        // Sources added after the run are not drawn: the table has one row.
        f.w->AddSource2(WriteClipScript(f.dir, QStringLiteral("later.avs"), 120, 64, 48));
        scroll->setValue(118);
        QCOMPARE(Shown(image), LivePage(tables, 118, 1, {enc}));

        // "Save..." proposes the stamped name of the page's first frame and writes the page.
        results->stampClock = [] { return QStringLiteral("20071113_140509"); };
        f.w->dialogs->saveAnswers.push_back(f.dir.filePath(QStringLiteral("page")));
        f.w->Click("Button38");
        const FileDialogRequest& request = f.w->dialogs->saveRequests.back();
        QCOMPARE(request.filters, QStringList{QStringLiteral("jpg files (*.jpg)")});
        QCOMPARE(request.proposedName, QStringLiteral("bv_20071113_140509_frame_00118"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("jpg"));
        const QByteArray jpeg = ReadFile(f.dir.filePath(QStringLiteral("page.jpg")));
        QVERIFY(jpeg.startsWith("\xFF\xD8\xFF"));
        QImage saved;
        QVERIFY(saved.loadFromData(jpeg, "JPG"));
        QCOMPARE(saved.size(), QSize(kScreenPageWidth, kGraphPageHeight));
        // Lossy, but the page: its grey grid line at value 0.9 stays grey, its background white.
        QVERIFY(qAbs(qGray(saved.pixel(250, 160)) - 128) < 40);
        QVERIFY(qGray(saved.pixel(255, 170)) > 230);
        f.w->dialogs->saveAnswers.push_back(ScriptedDialogs::kCancel);
        f.w->Click("Button38");
        QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("*.jpg")}).size(), 1);

        // A run without SSIM hides the tab; the next run with SSIM starts at page 0 again.
        f.w->Find<QListWidget>("ListBox1")->setCurrentRow(1);
        f.w->Click("Button26");
        f.w->Click("Button18");
        f.w->Click("CheckBox2");
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        QVERIFY(!results->resultTabs->isTabVisible(ResultsPage::kGraphicTab));
        f.w->Click("Button18");
        f.w->Click("CheckBox2");
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        QVERIFY(results->resultTabs->isTabVisible(ResultsPage::kGraphicTab));
        QCOMPARE(scroll->value(), 0);
        QCOMPARE(Shown(image), LivePage(tables, 0, 1, {enc}));
        QVERIFY(f.w->dialogs->unexpected.isEmpty());
    }

    void stopAndQuitQuestionsHoldTheRunUntilAnswered() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 30, 64, 48);
        const QString enc = WriteClipScript(f.dir, QStringLiteral("enc.avs"), 30, 64, 48, kYuy2, "bias 3");
        f.Choose(orig, {enc});
        f.w->Find<QLineEdit>("Edit2")->setText(f.dir.path());
        f.w->Click("CheckBox4"); // shut down when finished
        f.w->window->show();
        f.AnalyzeHeldAfter(5);
        // Each question stays open while frames would arrive: the run must stand at the hold
        // with nothing new analysed, shown, written or asked of the system.
        int frames = 5;
        int nextHold = 0;
        f.w->dialogs->whileAsking = [&](const QString&) {
            QVERIFY(f.w->window->Hold().IsHeld());
            f.gate->Release();
            QTRY_VERIFY(f.w->window->Hold().IsWaiting());
            QTest::qWait(30);
            QCOMPARE(f.gate->Done(), frames);
            QCOMPARE(f.Label("Label20"), QString::number(frames - 1));
            QCOMPARE(f.w->CurrentPage(), int(WizardWindow::kAnalyzation));
            QVERIFY(QDir(f.dir.path()).entryList({QStringLiteral("*.txt")}).isEmpty());
            QCOMPARE(f.shutdowns->load(), 0);
            f.gate->HoldAfter(nextHold);
        };
        // "No" to "Stop": the run goes on.
        nextHold = 6;
        f.w->dialogs->confirmAnswers.push_back(false);
        f.w->Click("Button25");
        QVERIFY(!f.w->window->Hold().IsHeld());
        f.WaitForFrames(++frames);
        // "No" to quitting: the same.
        nextHold = 30;
        f.w->dialogs->confirmAnswers.push_back(false);
        QVERIFY(!f.w->window->close());
        f.WaitForFrames(frames = 30);
        // "Stop" after the last frame: the run holds before its end steps; "Yes" stops it, so
        // its reports are written and the computer stays on.
        nextHold = INT_MAX;
        f.w->dialogs->confirmAnswers.push_back(true);
        f.w->Click("Button25");
        QTRY_VERIFY(!f.w->window->IsRunning());
        QCOMPARE(f.w->dialogs->confirmTexts.size(), 3);
        QCOMPARE(f.w->CurrentPage(), int(WizardWindow::kResults));
        QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("*.txt")}).size(), 2);
        QCOMPARE(f.shutdowns->load(), 0);
        QVERIFY(f.w->dialogs->unexpected.isEmpty());
    }

    void resultsShowFirstThenTheFilesAreWrittenThenTheShutdown() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 300, 64, 48);
        const QString enc = WriteClipScript(f.dir, QStringLiteral("enc.avs"), 300, 64, 48, kYuy2, "bias 4");
        f.Choose(orig, {enc});
        f.w->Find<QLineEdit>("Edit2")->setText(f.dir.path());
        f.w->Click("CheckBox3"); // extended logfile: graph pages too
        f.w->Click("CheckBox4"); // shut down when finished (the stand-in system refuses)
        const auto written = [&f](const char* kind) { // files with content (a run claims names first)
            int n = 0;
            for (const QFileInfo& file : QDir(f.dir.path()).entryInfoList({kind}))
                n += file.size() > 0 ? 1 : 0;
            return n;
        };
        // Held before the first file of the end steps: every frame analysed, nothing saved.
        f.gate->HoldAtWriting(0);
        f.w->Click("Button9");
        QTRY_VERIFY(f.gate->HeldAtWriting(0));
        QTRY_COMPARE(f.w->CurrentPage(), int(WizardWindow::kResults));
        ResultsPage* results = f.w->window->Results();
        QVERIFY(results->overview->toPlainText().startsWith(enc));
        QVERIFY(results->resultTabs->isTabVisible(ResultsPage::kGraphicTab));
        QVERIFY(!f.w->Find<QLabel>("Image2")->pixmap().isNull());
        QVERIFY(!f.w->window->Pages()->isTabVisible(WizardWindow::kAnalyzation));
        QCOMPARE(written("*.txt") + written("*.jpg"), 0);
        QVERIFY(f.Label("Label60").startsWith(QStringLiteral("Writing file: bv_")));
        QVERIFY(f.Label("Label60").endsWith(QStringLiteral("_overview.txt")));
        // Nothing leads back to a new run before every file is written.
        QVERIFY(!f.w->Find("Button18")->isEnabled());
        QVERIFY(!f.w->window->Summary()->isEnabled());

        f.gate->HoldAtWriting(2); // the first of two graph pages
        QTRY_VERIFY(f.gate->HeldAtWriting(2));
        QTRY_COMPARE(f.Label("Label60"), QStringLiteral("Writing graph page 1 of 2"));
        QVERIFY(f.w->Find<QLabel>("Label60")->toolTip().endsWith(QStringLiteral("_frame_00000.jpg")));
        QCOMPARE(written("*.txt"), 2);
        QCOMPARE(written("*.jpg"), 0);
        QCOMPARE(f.shutdowns->load(), 0);
        f.Finish();
        QCOMPARE(written("*.jpg"), 2);
        QCOMPARE(f.shutdowns->load(), 1);
        QVERIFY(f.Label("Label60").isEmpty());
        QVERIFY(f.w->Find("Button18")->isEnabled());
        // "Save..." starts where the run wrote its files.
        f.w->dialogs->saveAnswers.push_back(ScriptedDialogs::kCancel);
        f.w->Click("Button30");
        QCOMPARE(QDir::cleanPath(f.w->dialogs->saveRequests.back().folder), QDir::cleanPath(f.dir.path()));

        // A file that cannot be written: the error shows over "Results", which keeps everything.
        f.w->Click("Button18");
        f.gate->failExport = true;
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        QCOMPARE(f.w->CurrentPage(), int(WizardWindow::kResults));
        QCOMPARE(f.w->dialogs->errorTexts.size(), 1);
        QVERIFY(f.w->dialogs->errorTexts.constLast().endsWith(QStringLiteral("No space left on device")));
        QVERIFY(results->overview->toPlainText().startsWith(enc));
        QVERIFY(f.w->window->Summary()->isEnabled());
        QCOMPARE(f.shutdowns->load(), 1);
    }

    void runWithoutAnAnalysedFrameLeavesAnEmptyPageAndAStillScrollBar() {
        DisplayFixture f;
        const QString orig = WriteClipScript(f.dir, QStringLiteral("orig.avs"), 20, 64, 48);
        f.Choose(orig, {orig});
        f.w->Find<QLineEdit>("Edit3")->setText(QStringLiteral("100")); // beyond the clips
        f.w->Click("Button9");
        QTRY_VERIFY(!f.w->window->IsRunning());
        auto* scroll = f.w->Find<QScrollBar>("ScrollBar1");
        QCOMPARE(scroll->minimum(), 0);
        QCOMPARE(scroll->maximum(), 0);
        QVERIFY(!scroll->isEnabled());
        QCOMPARE(Shown(f.w->Find<QLabel>("Image2")), LivePage(f.w->window->Graph(), 0, 1, {orig}));
        QVERIFY(f.w->window->Results()->resultTabs->isTabVisible(ResultsPage::kGraphicTab));
    }
};

QTEST_MAIN(WizardRunDisplayTest)
#include "wizard_run_display_test.moc"
