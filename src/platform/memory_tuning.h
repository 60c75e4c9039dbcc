// The allocator's settings for a program that handles video frames.
#pragma once

namespace bv {

// Frame-sized blocks (megabytes: the decoders' packets and pictures, the frames) come from the
// heap and freed ones stay with the process for the next frame, instead of each one being
// mapped afresh and faulted in page by page. Call first thing in main().
void KeepFrameMemory();

} // namespace bv
