// The frames of a run: both clips' frames of each number, fetched in order, checked, and handed
// as one pair to the metrics and to every observer. A reader thread fetches a few pairs ahead
// while the metrics work on the current one, and releases the frames the consumer hands back.
// AviSynth+ lets one thread at a time into the library: there one reader fetches both clips and
// is the only thread that calls AviSynth while the source lives. Clips of the built-in server
// that live in environments of their own are read by a thread each, so that decoding the
// encode does not wait for reading the original.
#pragma once

#include "frame_source/avs_clip.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bv {

class FramePairSource;

struct FramePair {
    FramePair() = default;
    FramePair(const FramePair&) = delete;
    FramePair& operator=(const FramePair&) = delete;
    ~FramePair() { Release(); }
    // Original first, as they were fetched; a pair from a FramePairSource goes back to its
    // reader thread, which releases it.
    void Release();

    int number = -1;        // the original's frame number
    int encodedNumber = -1; // the encode's: number + the encode's offset
    FrameView original;
    FrameView encoded;
    int width = 0; // the frame size both frames were checked against (clip 1's)
    int height = 0;

private:
    friend class FramePairSource;
    FramePairSource* source_ = nullptr;
};

class FramePairSource {
public:
    // Pairs fetched but not yet handed out, at most. Each holds two frames of the clips' size.
    static constexpr int kReadAhead = 3;

    // Frames first..last of the original, each with frame n + encodedOffset of the encode (the
    // caller keeps those inside the encode); the paths name the clips in error texts. The clips
    // must stay open while the source is in use.
    FramePairSource(const AvsClip& original, const std::string& originalPath, const AvsClip& encoded,
                    const std::string& encodedPath, int first, int last, int encodedOffset = 0);
    // Ends the reader after the frame it is fetching and releases every frame still held.
    ~FramePairSource();
    FramePairSource(const FramePairSource&) = delete;
    FramePairSource& operator=(const FramePairSource&) = delete;

    // Releases the previous pair (original first), then hands out the next one, fetched
    // original first. False after the last pair. Throws EAviSynthCException when a frame cannot
    // be fetched or does not have the geometry of clip 1; the pairs before it were handed out.
    bool Next(FramePair& pair);

private:
    friend struct FramePair;
    struct Fetched {
        int number = -1;
        FrameView original;
        FrameView encoded;
        std::exception_ptr error; // the fetch of this number failed: the last entry
    };
    // One reader thread: what it fetched and what it is to release. Lane 0 fetches the
    // original, and the encode too when it is the only lane; lane 1 fetches the encode.
    struct Lane {
        std::deque<Fetched> ready;         // fetched, in order, not yet handed out
        std::vector<FrameView> handedBack; // released by this lane's reader, in this order
        std::thread reader;
    };

    void Read(int lane);
    void GiveBack(FramePair& pair);
    Lane& LaneOf(bool original) { return original || lanes_ == 1 ? lane_[0] : lane_[1]; }
    bool Ready() const; // every lane has the next number, or the original's lane failed on it

    const AvsClip& original_;
    const AvsClip& encoded_;
    std::string originalPath_;
    std::string encodedPath_;
    long long next_; // the next number handed out
    int first_;
    int last_;
    int offset_; // the encode's frame number minus the original's

    std::mutex mutex_;
    std::condition_variable changed_;
    int lanes_ = 1; // 2: the original and the encode have a reader each
    Lane lane_[2];  // the readers are started by the first Next
    bool stopping_ = false;
    FramePair* lastHandedOut_ = nullptr; // detached on destruction: it may outlive the source
};

} // namespace bv
