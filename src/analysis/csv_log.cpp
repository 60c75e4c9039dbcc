#include "analysis/csv_log.h"

#include "analysis/report_texts.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace bv {

namespace {
std::runtime_error FileError(const char* what, const std::string& path, int error) {
    return std::runtime_error(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}
} // namespace

CsvLog::~CsvLog() {
    Close();
}

void CsvLog::Open(const std::string& path, const AnalysisSettings& settings, const std::string& source2,
                  const avs::PixelFormat* format, const FramePairing& pairing) {
    Close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw FileError("Cannot create file", path, errno);
    path_ = path;
    settings_ = &settings;
    format_ = format;
    pairing_ = pairing;
    for (const std::string& line : CsvHeaderLines(settings, source2, format, pairing))
        WriteLine(line);
}

void CsvLog::WriteFrame(int frame, const PsnrFrameResult* psnr, const SsimFrameResult* ssim) {
    // One write per line: a kill or a power loss never leaves half a line behind.
    std::string line;
    for (const std::string& field : CsvFrameFields(*settings_, frame, psnr, ssim, format_, pairing_))
        line += field;
    WriteLine(line);
}

void CsvLog::Finish(const FileTotals& totals) {
    for (const std::string& line : CsvFooterLines(*settings_, totals))
        WriteLine(line);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw FileError("Cannot write file", path_, errno);
}

void CsvLog::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void CsvLog::Write(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError("Cannot write file", path_, errno);
        }
        done += static_cast<size_t>(n);
    }
}

void CsvLog::WriteLine(const std::string& line) {
    Write(line + "\r\n");
}

} // namespace bv
