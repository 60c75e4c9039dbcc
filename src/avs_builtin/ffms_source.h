// A video file decoded through FFMS2 as a clip, in the format AviSynth+'s FFMS2 plugin
// delivers: planar YUV and grey as decoded (I420, YV16, YV24, YV411, Y8, YUV420P10, ...),
// packed yuyv422 as YUY2, RGB as RGB32. Pictures already in that format are copied; others
// are converted with libswscale.
#pragma once

#include "avs_builtin/clip.h"
#include "avs_builtin/exact_frame_reader.h"
#include "avs_builtin/frame_scaler.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace bv::builtin {

struct FfmsSourceOptions {
    std::string function; // the script's name for the source filter, prefixes its errors
    std::string path;
    int track = -1;        // -1: the first video track
    int threads = -1;      // decoder threads, -1: FFMS2 chooses
    bool cache = true;     // keep the index in the per-user cache folder
    int fpsNumerator = -1; // > 0: constant frame rate by timestamps, as FFMS2's own plugin does
    int fpsDenominator = 1;
    int width = -1; // > 0: scaled to this size
    int height = -1;
    std::string resizer;    // scaler for width/height ("BICUBIC", "BILINEAR", ...)
    std::string colorspace; // "" for the format nearest to the file's, else a format's name
};

class FfmsSource : public Clip {
public:
    // Indexes and opens the file; throws ScriptError "<function>: ...".
    explicit FfmsSource(const FfmsSourceOptions& options);
    FramePtr GetFrame(int n) override;

    const ExactFrameReader::Stats& readerStats() const { return reader_->stats(); }

private:
    FramePtr CopyOut(const struct FFMS_Frame& frame);
    int SourceFrameOf(int n) const;

    std::string who_;
    std::unique_ptr<ExactFrameReader> reader_;
    std::unique_ptr<FrameScaler> scaler_;
    // For a constant frame rate by timestamps: each frame's PTS, in the track's time base.
    std::vector<int64_t> framePts_;
    int64_t timeBaseNum_ = 1, timeBaseDen_ = 1; // PTS * num / den = milliseconds
    double firstTime_ = 0;                      // seconds
    std::mutex mutex_;
    std::deque<std::pair<int, FramePtr>> recent_; // the last few frames delivered
};

} // namespace bv::builtin
