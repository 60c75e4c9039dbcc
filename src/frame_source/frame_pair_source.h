// The frames of a run: both clips' frames of each number, fetched in order, checked, and handed
// as one pair to the metrics and to every observer. During a run only this reader calls
// AviSynth for frames; reading ahead on a thread of its own fits behind the same Next().
#pragma once

#include "frame_source/avs_clip.h"

#include <string>

namespace bv {

struct FramePair {
    FramePair() = default;
    FramePair(const FramePair&) = delete;
    FramePair& operator=(const FramePair&) = delete;
    ~FramePair() { Release(); }
    void Release() { // original first, as they were fetched
        original.Release();
        encoded.Release();
    }

    int number = -1;
    FrameView original;
    FrameView encoded;
    int width = 0; // the frame size both frames were checked against (clip 1's)
    int height = 0;
};

class FramePairSource {
public:
    // Frames first..last of both clips; the paths name the clips in error texts. The clips must
    // stay open while the source is in use.
    FramePairSource(const AvsClip& original, const std::string& originalPath, const AvsClip& encoded,
                    const std::string& encodedPath, int first, int last);

    // Releases the previous pair (original first), then fetches the next one, original first.
    // False after the last pair. Throws EAviSynthCException when a frame cannot be fetched or
    // does not have the geometry of clip 1.
    bool Next(FramePair& pair);

private:
    const AvsClip& original_;
    const AvsClip& encoded_;
    std::string originalPath_;
    std::string encodedPath_;
    long long next_;
    int last_;
};

} // namespace bv
