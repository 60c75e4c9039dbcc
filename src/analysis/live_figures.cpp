#include "analysis/live_figures.h"

#include "analysis/number_format.h"
#include "i18n/translate.h"

namespace bv {

LiveFigures MakeLiveFigures(const FileTotals& t) {
    LiveFigures f;
    if (HasPsnrY(t))
        f.psnrY = FormatNumber(PsnrY(t)) + " dB";
    // A grey clip has no U, V or YUV figures: their labels stand alone.
    const int planes = HasChroma(t.Format) ? 3 : 1;
    for (int plane = 0; plane < planes; ++plane) {
        f.mse[plane] = FormatNumber(AverageMse(t, plane));
        f.ed[plane] = FormatNumber(AverageEd(t, plane));
    }
    if (planes == 3)
        f.edYuv = FormatNumber(AverageEdYuv(t));
    f.qY = FormatNumber(QY(t));
    f.ssimY = FormatNumber(SsimY(t));
    f.lowestQ = FormatNumber(t.LowestQ) + " (" + std::to_string(t.LowestQFrame) + ")";
    f.highestQ = FormatNumber(t.HighestQ) + " (" + std::to_string(t.HighestQFrame) + ")";
    return f;
}

std::string FilePositionText(int index, int count) {
    return std::to_string(index + 1) + " " + Translate("of") + " " + std::to_string(count);
}

} // namespace bv
