// The sums of one Source File 2 during a run, and the figures derived from them.
#pragma once

#include <string>

namespace bv {

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
};

} // namespace bv
