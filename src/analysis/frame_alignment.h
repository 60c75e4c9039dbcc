// Finding the frame offset between an encode and its original: the encode may have lost
// frames at its start, gained some, or be trimmed differently.
#pragma once

#include <string>

namespace bv {

struct AvsClip;

struct AlignmentResult {
    bool decided = false;    // false: the content could not tell one offset from the others
    int offset = 0;          // encoded frame n + offset shows original frame n (when decided)
    double bestCost = 0.0;   // mean squared luma difference of the reduced frames at the best offset
    double secondCost = 0.0; // ... at the second-best offset
    int offsetsTried = 0;
};

// Compares reduced-resolution luma of a short stretch of frames from `startFrame` on at every
// offset in -range..+range and takes the offset of the least mean squared difference when it is
// clearly less than that of any other offset.
// Reads frames through the clips (both of the same frame size and a YUV or grey format); a
// format without luma, or too few frames to compare, is undecidable. Throws
// EAviSynthCException when a frame cannot be fetched.
AlignmentResult FindFrameOffset(const AvsClip& original, const AvsClip& encoded, int range, int startFrame);

} // namespace bv
