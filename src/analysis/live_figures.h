// The figures a live display shows for the file being analysed, as texts.
#pragma once

#include "analysis/file_totals.h"

#include <string>

namespace bv {

struct LiveFigures {
    std::string psnrY;  // "41.2345 dB"; empty while there is no PSNR (the label keeps its text)
    std::string mse[3]; // Y, U, V; U and V empty for a grey clip, as is edYuv
    std::string ed[3];  // Y, U, V
    std::string edYuv;
    std::string qY;
    std::string ssimY;
    std::string lowestQ; // "0.9123 (42)"
    std::string highestQ;
};

LiveFigures MakeLiveFigures(const FileTotals& totals);

// "2 of 3": position from 1 and the number of Source Files 2.
std::string FilePositionText(int index, int count);

} // namespace bv
