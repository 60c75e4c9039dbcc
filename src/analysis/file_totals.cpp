#include "analysis/file_totals.h"

#include "metrics/frame_metrics.h"

namespace bv {

void AddPsnrFrame(FileTotals& t, const PsnrFrameResult& f) {
    t.SumMse[0] += f.mseY;
    t.SumMse[1] += f.mseU;
    t.SumMse[2] += f.mseV;
    t.SumEd[0] += f.edY;
    t.SumEd[1] += f.edU;
    t.SumEd[2] += f.edV;
    t.SumEdYuv += f.edYuv;
}

void AddSsimFrame(FileTotals& t, const SsimFrameResult& f, int frameNumber) {
    const double q = f.qY;
    t.SumSsim += f.ssimY;
    t.SumWeight += f.weightSum;
    t.SumWeightedQ += f.weightSum * q;
    if (q < t.LowestQ) {
        t.LowestQ = q;
        t.LowestQFrame = frameNumber;
    }
    if (q > t.HighestQ) {
        t.HighestQ = q;
        t.HighestQFrame = frameNumber;
    }
}

namespace {
double Mean(double sum, int count) {
    return count > 0 ? sum / count : 0.0;
}
} // namespace

double AverageMse(const FileTotals& t, int plane) {
    return Mean(t.SumMse[plane], t.AnalysedCount);
}
double AverageEd(const FileTotals& t, int plane) {
    return Mean(t.SumEd[plane], t.AnalysedCount);
}
double AverageEdYuv(const FileTotals& t) {
    return Mean(t.SumEdYuv, t.AnalysedCount);
}

bool HasPsnrY(const FileTotals& t) {
    return t.AnalysedCount > 0 && t.SumMse[0] > 0;
}
double PsnrY(const FileTotals& t) {
    return HasPsnrY(t) ? PsnrFromMse(AverageMse(t, 0), PsnrPeak(t.Format)) : 0.0;
}

int PsnrPeak(const avs::PixelFormat* format) {
    return format != nullptr ? format->PeakValue() : 255;
}
bool HasChroma(const avs::PixelFormat* format) {
    return format == nullptr || format->family != avs::FormatFamily::Grey;
}

double QY(const FileTotals& t) {
    return t.SumWeight > 0 ? t.SumWeightedQ / t.SumWeight : 0.0;
}
double SsimY(const FileTotals& t) {
    return Mean(t.SumSsim, t.AnalysedCount);
}

} // namespace bv
