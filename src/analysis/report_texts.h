// Every text a run writes: the lines of the CSV logs and the blocks of the overview and
// results texts. Labels pass through the translation each time they are written; numbers
// use the user's decimal separator.
#pragma once

#include "analysis/analysis_settings.h"
#include "analysis/file_totals.h"
#include "analysis/frame_pairing.h"
#include "metrics/frame_results.h"

#include <string>
#include <vector>

namespace bv {

inline constexpr const char* kProgramName = "Brevanta";
inline constexpr const char* kVersionText = "2007.11.13";
inline constexpr const char* kResultsSeparator = "========================================";

// "Color Space: YUV420P10, 10 bits": what was measured, said in the CSV header, the overview
// and the results for every format but YUY2, whose files stay as they always were. Empty for
// YUY2 and for nullptr.
std::string MeasuredFormatLine(const avs::PixelFormat* format);

// The offset alone, with "(found automatically)" or "(alignment undecidable)".
std::string FrameOffsetValue(const FramePairing& pairing);
// "Frame Offset: N", with "(found automatically)" or "(alignment undecidable)".
std::string FrameOffsetLine(const FramePairing& pairing);
// Said when the alignment cannot decide: the offset used instead.
std::string AlignmentUndecidableText(int fallbackOffset);

// The header of a Source File 2's CSV log, up to and including the column heads. `format`: the
// clips' format. A file with an offset gets an "Encoded Frame" column at the end of each line.
std::vector<std::string> CsvHeaderLines(const AnalysisSettings& settings, const std::string& source2,
                                        const avs::PixelFormat* format = nullptr,
                                        const FramePairing& pairing = {});
inline std::vector<std::string> CsvHeaderLines(const AnalysisSettings& settings, const std::string& source2,
                                               const FramePairing& pairing) {
    return CsvHeaderLines(settings, source2, nullptr, pairing);
}

// The fields of one frame line in order; every field but the frame number starts with its ";".
// `frame` is the original's number; the encode's goes last when the pairing has an offset.
std::vector<std::string> CsvFrameFields(const AnalysisSettings& settings, int frame,
                                        const PsnrFrameResult* psnr, const SsimFrameResult* ssim,
                                        const avs::PixelFormat* format = nullptr,
                                        const FramePairing& pairing = {});
inline std::vector<std::string> CsvFrameFields(const AnalysisSettings& settings, int frame,
                                               const PsnrFrameResult* psnr, const SsimFrameResult* ssim,
                                               const FramePairing& pairing) {
    return CsvFrameFields(settings, frame, psnr, ssim, nullptr, pairing);
}

// The footer after a file's last frame.
std::vector<std::string> CsvFooterLines(const AnalysisSettings& settings, const FileTotals& totals);

// "PSNR in Y:" with its figure and " dB", or the bare label while there is no figure.
std::string PsnrYLine(const FileTotals& totals);
// The PSNR block (averages per plane) and the SSIM block, each with its leading empty line.
std::vector<std::string> PsnrBlockLines(const FileTotals& totals);
std::vector<std::string> SsimBlockLines(const FileTotals& totals);

// One Source File 2's part of the overview and results texts.
struct FileBlock {
    std::string source2;
    const FileTotals* totals = nullptr; // null when the file's clips were never compared
    // Said instead of the last frame and the figures: why nothing (or nothing usable) was
    // analysed. Empty for a file with analysed frames; "No frame analyzed." is used when a
    // file has none and no reason is given.
    std::string note;
    bool stopping = false; // the run ends after this file (stop or error): no trailing separator
    bool last = false;     // the last file of the list
};

// Added to both texts of a stopped run only, after the last block: the last frame analysed
// (-1: none) and the Source Files 2 whose analysis never began.
void AppendStoppedRunLines(std::vector<std::string>& text, int lastFrame, const std::vector<std::string>& notAnalysed);

// The warning for a template (1 or 2) without "$FileName", which reads the video it names
// whatever file was chosen; said on the command line, in the window and in the reports.
std::string MissingFileNameWarning(int templateNumber);

// A job with offsets names the file's offset and its frames without a partner; its frames
// start at the pairing's first frame.
void AppendOverviewBlock(std::vector<std::string>& overview, const AnalysisSettings& settings,
                         const FileBlock& block, const FramePairing& pairing = {});
void AppendResultsBlock(std::vector<std::string>& results, const AnalysisSettings& settings,
                        const FileBlock& block, const FramePairing& pairing = {});

} // namespace bv
