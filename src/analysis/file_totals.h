// The sums of one Source File 2 during a run, and the figures derived from them.
#pragma once

#include "avs_abi/pixel_format.h"
#include "metrics/frame_results.h"

#include <string>

namespace bv {

// The PascalCase field names are the ones the documented interface gives the sums.
struct FileTotals {
    int AnalysedCount = 0;
    double SumMse[3] = {0, 0, 0}; // Y, U, V
    double SumEd[3] = {0, 0, 0};  // Y, U, V
    double SumEdYuv = 0;
    double SumSsim = 0;
    double SumWeight = 0;
    double SumWeightedQ = 0;
    double LowestQ = 1.0;
    int LowestQFrame = 0;
    double HighestQ = 0.0;
    int HighestQFrame = 0;
    std::string StartTime;
    std::string EndTime;
    // The format both clips were measured in, set before the first frame; nullptr counts as
    // 8-bit YUY2.
    const avs::PixelFormat* Format = nullptr;
};

// PSNR's peak: the largest sample of the format, 2^b - 1 (255 for nullptr).
int PsnrPeak(const avs::PixelFormat* format);
// Whether the format has U and V: a grey clip's U, V and YUV figures do not exist and are left
// out (the label stands alone, a CSV field stays empty).
bool HasChroma(const avs::PixelFormat* format);

// Adds one frame's figures. The lowest and highest Q move only on a strictly lower or
// higher value, so the earliest frame wins a tie.
void AddPsnrFrame(FileTotals& totals, const PsnrFrameResult& frame);
void AddSsimFrame(FileTotals& totals, const SsimFrameResult& frame, int frameNumber);

// Figures over the analysed frames. With no frame analysed the averages are 0, never NaN.
double AverageMse(const FileTotals& totals, int plane); // 0 Y, 1 U, 2 V
double AverageEd(const FileTotals& totals, int plane);
double AverageEdYuv(const FileTotals& totals);
// The PSNR of the average MSE in Y; it exists only while the summed MSE in Y is above 0.
bool HasPsnrY(const FileTotals& totals);
double PsnrY(const FileTotals& totals);
// Weighted mean over every window analysed; 0 while no window carried weight (dark clips).
double QY(const FileTotals& totals);
double SsimY(const FileTotals& totals);

} // namespace bv
