// Leaving the upper halves of the AVX registers clean for the code that follows.
#pragma once

namespace bv {

// Qt's AVX2 drawing routines (filling and painting QImages) may return with the upper halves
// of the YMM registers in use. Plain SSE code that then runs on the same thread, such as the
// metric kernels after the live graph was drawn, pays a transition penalty on every vector
// instruction: measured here, 12 ms more per 720 x 576 frame. vzeroupper ends that state.
// Does nothing on processors without AVX and on other architectures.
inline void ResetUpperVectorRegisters() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

} // namespace bv
