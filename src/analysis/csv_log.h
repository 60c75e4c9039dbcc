// The per-frame CSV log of one Source File 2. Every line goes to the file in one write the
// moment it is complete, so a run that ends early leaves a log of whole lines.
#pragma once

#include "analysis/analysis_settings.h"
#include "analysis/file_totals.h"
#include "analysis/frame_pairing.h"
#include "metrics/frame_results.h"

#include <string>
#include <vector>

namespace bv {

class CsvLog {
public:
    CsvLog() = default;
    ~CsvLog(); // closes without a footer
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Creates (or replaces) the file and writes its header. Throws std::runtime_error naming
    // the file when it cannot be created or written. `format`: the clips' format
    // (nullptr counts as YUY2). A pairing with an offset adds the encode's frame number to
    // each line.
    void Open(const std::string& path, const AnalysisSettings& settings, const std::string& source2,
              const avs::PixelFormat* format = nullptr, const FramePairing& pairing = {});
    // `frame` is the original's number.
    void WriteFrame(int frame, const PsnrFrameResult* psnr, const SsimFrameResult* ssim);
    // Writes the footer and closes the file.
    void Finish(const FileTotals& totals);
    // Closes the file as it stands; closing a closed log does nothing.
    void Close();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    void Write(const std::string& text);
    void WriteLine(const std::string& line);

    int fd_ = -1;
    std::string path_;
    const AnalysisSettings* settings_ = nullptr;
    const avs::PixelFormat* format_ = nullptr;
    FramePairing pairing_;
};

} // namespace bv
