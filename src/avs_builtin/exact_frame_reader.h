// Frames of one FFMS2 video track where each delivered frame is exactly the frame asked for.
//
// FFMS2's linear mode is exact (it decodes from the start and counts) but a backward jump
// restarts at frame 0; its seeking mode is fast but on open-GOP streams it can land one to
// three frames off. So a linear reader serves forward reading and records a fingerprint of
// every frame it decodes; a seeking reader serves jumps back, and its frame is delivered only
// when its fingerprint equals the linear reader's for that number. A misplaced seek is
// corrected once by the offset the fingerprints reveal, else the linear reader restarts.
//
// FFMS2 hands out the last decoded frame again when a frame cannot be decoded (a file cut
// short, a partial last frame). Such a stale copy is never delivered: a frame whose decoding
// made the decoder report an error on this thread, or that was read after the file changed
// on disk, is an error naming the file and the frame. Trailing key frames that cannot be
// decoded at all (a raw file cut within its last frame) are left out of the frame count.
#pragma once

#include "avs_builtin/ffms_index.h"

#include <cstdint>
#include <ctime>
#include <ffms.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace bv::builtin {

class ExactFrameReader {
public:
    struct Stats {
        int linearFrames = 0;   // frames decoded forward by the linear reader
        int seeks = 0;          // frames asked of the seeking reader
        int seekMisses = 0;     // of those, frames whose fingerprint did not match
        int linearRestarts = 0; // jumps back served by restarting the linear reader
    };

    // Opens the track with FFMS2; throws ScriptError "<who>: ...".
    ExactFrameReader(FfmsIndexPtr index, const std::string& path, int track, int threads, std::string who);
    ~ExactFrameReader();
    ExactFrameReader(const ExactFrameReader&) = delete;
    ExactFrameReader& operator=(const ExactFrameReader&) = delete;

    const FFMS_VideoProperties& properties() const { return properties_; }
    int frameCount() const { return frameCount_; }
    // Frame n (0 <= n < frameCount) as the decoder made it (no conversion: FFMS2's own has
    // no room for the scaler's vector stores), valid until the next call. Throws ScriptError.
    const FFMS_Frame& Get(int n);

    const Stats& stats() const { return stats_; }

private:
    struct Reader {
        FFMS_VideoSource* source = nullptr;
        int next = 0; // the frame FFMS2 decodes next when reading on
    };

    // What identifies the file's contents: a change means frames may come from other data.
    struct FileState {
        uint64_t device = 0, inode = 0;
        int64_t size = -1;
        timespec modified{};
        bool operator==(const FileState& o) const {
            return device == o.device && inode == o.inode && size == o.size &&
                   modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
        }
    };
    static FileState StateOf(const std::string& path);

    FFMS_VideoSource* Open(int seekMode);
    FFMS_VideoSource* OpenLinear();
    const FFMS_Frame* Fetch(Reader& reader, int n, bool mayFail = false);
    int DecodableFrameCount();
    uint64_t Fingerprint(const FFMS_Frame& frame) const;
    const FFMS_Frame* Walk(int n);
    const FFMS_Frame* Restart(int n);
    const FFMS_Frame* FromSeeker(int n);
    int SeekCost(int n) const;

    FfmsIndexPtr index_;
    std::string path_;
    int track_;
    int threads_;
    std::string who_;
    FileState fileState_;
    Reader linear_;
    Reader seeker_;
    FFMS_VideoProperties properties_{};
    int frameCount_ = 0;
    std::vector<int> keyframeAtOrBefore_;
    // Seeks that land off by a steady amount after a keyframe: the amount, by keyframe.
    std::unordered_map<int, int> seekShift_;
    std::vector<uint64_t> fingerprints_; // of frames 0 .. known_-1, from the linear reader
    int known_ = 0;
    Stats stats_;
};

} // namespace bv::builtin
