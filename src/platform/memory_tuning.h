// The allocator's settings for a program that handles video frames.
#pragma once

#include <string>

namespace bv {

// Frame-sized blocks (megabytes: the decoders' packets and pictures, the frames) come from the
// heap and freed ones stay with the process for the next frame, instead of each one being
// mapped afresh and faulted in page by page; and the heap lies on transparent huge pages where
// the kernel gives them on request (the program starts itself once more with glibc told so).
// Call first thing in main(), before anything is worth keeping.
void KeepFrameMemory(char** argv);

// The value GLIBC_TUNABLES needs for glibc to put its heap on transparent huge pages: `current`
// (the variable's value, or nullptr) with the setting added; "" when `current` already says
// how (the user's choice stands).
std::string TunablesWithHugePageHeap(const char* current);

} // namespace bv
