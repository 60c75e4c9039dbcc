// How a Source File 2's frames are paired with the original's.
#pragma once

namespace bv {

struct FramePairing {
    bool shown = false;       // the job uses offsets (UsesOffsets): the texts name this one
    int offset = 0;           // encoded frame n + offset was compared with original frame n
    bool found = false;       // found by the automatic alignment
    bool undecidable = false; // the alignment could not decide; the given offset was used
    long long unpaired = 0;   // frames of the range whose partner the encode lacks
    int firstFrame = -1;      // the original's first analysed frame; -1: the start frame
};

} // namespace bv
