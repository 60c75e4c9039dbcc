// Page 6, "Analyzation": the progress of a running job and the inner tabs of its figures.
#pragma once

#include "wizard/wizard_page.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

class QLabel;
class QScrollArea;

namespace bv {

class CenteredTabWidget;
struct LiveFigures;

class AnalyzationPage : public WizardPage {
    Q_OBJECT
public:
    explicit AnalyzationPage(QWidget* parent = nullptr);

    // Inner tabs by index.
    enum InnerTab { kPreviewTab = 0, kPsnrTab = 1, kSsimTab = 2, kGraphicTab = 3 };

    QLabel* startFrameValue;       // Label35, after "Start Frame:"
    QLabel* endFrameValue;         // Label33, after "End Frame:"
    QLabel* fileCountValue;        // Label7, after "Analyze Video:": "2 of 3"
    QLabel* filePathValue;         // Label54, the path of the file under way
    QLabel* analysedFrameValue;    // Label20, after "Analyzed Frames:"
    QLabel* offsetValue;           // after "Frame Offset:": the offset of the file under way
    QPushButton* stopButton;       // Button25 "Stop"
    CenteredTabWidget* figureTabs; // PageControl2

    // Preview tab: Image12 (Source File 1) and Image11 (the Source File 2).
    QLabel* preview1;
    QLabel* preview2;
    // The twelve figure values of the PSNR and SSIM tabs.
    QLabel* psnrY;         // Label51
    QLabel* mseY;          // Label46
    QLabel* mseU;          // Label48
    QLabel* mseV;          // Label50
    QLabel* edY;           // Label17
    QLabel* edU;           // Label22
    QLabel* edV;           // Label24
    QLabel* edYuv;         // Label12
    QLabel* qY;            // Label42
    QLabel* ssimY;         // Label43
    QLabel* lowestQ;       // Label38
    QLabel* highestQ;      // Label39
    QScrollArea* graphBox; // holds Image1
    QLabel* graphImage;    // Image1

    // Shows the tabs of the chosen figures; the last applicable of PSNR, SSIM, preview
    // becomes the active one.
    void SetUpTabs(bool psnr, bool ssim, bool preview);
    // At the start of a run: everything empty, then the frame range as parsed.
    void ClearDisplay(int startFrame, int endFrame);
    // At the start of each Source File 2.
    void StartFile(const QString& path);
    // After each analysed frame: "i of N" and the frame's number.
    void ShowProgress(int fileIndex, int fileCount, int frame);
    // Empties the twelve figure values (and the previews when `previews`).
    void ClearFigures(bool previews);
    // Once a file's clips are open: each preview image fits its clip's frame size into the
    // 164 x 164 box, keeping its top-left corner.
    void SizePreviews(QSize clip1, QSize clip2);
    // Once a file's clips are open: its frame offset, and whether the alignment found it.
    void ShowOffset(const QString& text);
    // The figures of the PSNR or the SSIM tab; PSNR in Y keeps its text while there is none.
    void ShowFigures(int tab, const LiveFigures& figures);
    // The pictures of the frame just analysed, stretched to the preview images.
    void ShowPreviews(const QImage& clip1, const QImage& clip2);
    // The live graph page, at its own size in the scroll box.
    void ShowLiveGraph(const QImage& page);

private:
    void FigureTabChanged(int index);
    std::vector<QLabel*> figureValues_;
};

} // namespace bv
