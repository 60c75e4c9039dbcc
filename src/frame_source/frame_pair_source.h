// The frames of a run: both clips' frames of each number, fetched in order, checked, and handed
// as one pair to the metrics and to every observer. One reader thread fetches a few pairs ahead
// while the metrics work on the current one. It is the only thread that calls AviSynth while the
// source lives (AviSynth+ lets one thread at a time into the library): it also releases the
// frames that the consumer hands back.
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

    void Read();
    void GiveBack(FramePair& pair);

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
    std::deque<Fetched> ready_;      // fetched, in order, not yet handed out
    std::vector<FrameView> handedBack_; // released by the reader, in this order
    bool stopping_ = false;
    FramePair* lastHandedOut_ = nullptr; // detached on destruction: it may outlive the source
    std::thread reader_;                 // started by the first Next
};

} // namespace bv
