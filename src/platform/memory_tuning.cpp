#include "platform/memory_tuning.h"

#include <malloc.h>

namespace bv {

void KeepFrameMemory() {
    // glibc maps every block above its mmap threshold on its own and unmaps it when freed. The
    // threshold rises by itself only after such a block is freed, which a pool of frames never
    // does, so decoders' packets of a raw 1080p or 4K frame would stay mapped one by one. The
    // largest threshold glibc takes (32 MiB) holds a 4K frame; the heap's top is handed back
    // only when this much of it is free.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // The threads of a run (reader, decoders, metrics) would each get an arena of their own,
    // made of 64 MiB heaps that are unmapped whenever they run empty: with 4K frames that is
    // every few frames, and each block is faulted in afresh. One arena for all keeps them.
    mallopt(M_ARENA_MAX, 1);
}

} // namespace bv
