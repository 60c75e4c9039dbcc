// What the command line shows while a run is under way: a progress line on a terminal
// (file i of N, frame, frames per second, time left) and the run's messages.
#pragma once

#include "analysis/analysis_run.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace bv {

class ProgressLine : public RunObserver {
public:
    // `showProgress`: draw the line (stderr is a terminal); `showMessages`: print messages.
    ProgressLine(std::FILE* out, bool showProgress, bool showMessages);

    void OnFileStart(const FileStartInfo& info) override { path_ = info.path; }
    // Says the file's frame offset, as given or found, when the job uses offsets.
    void OnClipsOpened(const ClipsOpenedInfo& info) override;
    void OnFrame(const FrameReport& report) override;
    void OnMessage(const std::string& text) override;
    void OnRunEnd(const RunOutcome& outcome) override;

    // The line for a state of the run; separate so that it can be checked without a terminal.
    static std::string Text(int fileIndex, int fileCount, int frame, double framesPerSecond,
                            double secondsLeft);

private:
    using Clock = std::chrono::steady_clock;
    void Erase();

    std::FILE* out_;
    bool showProgress_;
    bool showMessages_;
    bool drawn_ = false;
    Clock::time_point fileStart_{};
    Clock::time_point lastDraw_{};
    int firstFrame_ = 0;
    int lastFrame_ = -1;
    int analysed_ = 0;
    std::string path_;
};

} // namespace bv
