#include "cli/progress_line.h"

#include "analysis/report_texts.h"

#include <cmath>

namespace bv {

ProgressLine::ProgressLine(std::FILE* out, bool showProgress, bool showMessages)
    : out_(out), showProgress_(showProgress), showMessages_(showMessages) {}

void ProgressLine::OnClipsOpened(const ClipsOpenedInfo& info) {
    fileStart_ = Clock::now();
    firstFrame_ = info.firstFrame;
    lastFrame_ = info.lastFrame;
    analysed_ = 0;
    if (info.pairing.shown && info.lastFrame >= info.firstFrame)
        OnMessage(path_ + ": " + FrameOffsetLine(info.pairing));
}

void ProgressLine::OnFrame(const FrameReport& report) {
    ++analysed_;
    if (!showProgress_)
        return;
    const auto now = Clock::now();
    // A terminal needs no more than a few redraws a second.
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(200) && report.frame != lastFrame_)
        return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - fileStart_).count();
    const double fps = seconds > 0 ? analysed_ / seconds : 0.0;
    // Files still to come are assumed as long as this one.
    const long long fileFrames = static_cast<long long>(lastFrame_) - firstFrame_ + 1;
    const long long framesLeft = (lastFrame_ - report.frame) +
                                 static_cast<long long>(report.fileCount - report.fileIndex - 1) * fileFrames;
    const double left = fps > 0 ? framesLeft / fps : 0.0;
    std::fprintf(out_, "\r%s\033[K",
                 Text(report.fileIndex, report.fileCount, report.frame, fps, left).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void ProgressLine::OnMessage(const std::string& text) {
    if (!showMessages_)
        return;
    Erase();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void ProgressLine::OnRunEnd(const RunOutcome&) {
    Erase();
}

void ProgressLine::Erase() {
    if (drawn_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        drawn_ = false;
    }
}

std::string ProgressLine::Text(int fileIndex, int fileCount, int frame, double framesPerSecond,
                               double secondsLeft) {
    const long long total = std::llround(std::max(secondsLeft, 0.0));
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "file %d of %d, frame %d, %.1f fps, %lld:%02lld:%02lld left",
                  fileIndex + 1, fileCount, frame, framesPerSecond, total / 3600, total / 60 % 60,
                  total % 60);
    return buffer;
}

} // namespace bv
