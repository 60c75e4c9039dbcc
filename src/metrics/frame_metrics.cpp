// The two metrics on clips: fetch both frames, run the kernel on them in place, release them.
#include "metrics/frame_metrics.h"

#include <algorithm>

#include "frame_source/avs_clip.h"
#include "platform/vector_registers.h"

namespace bv {
namespace {

// The kernels take the original's geometry for both frames. An encoded frame that is smaller
// (clips that differ in size) would be read past its end, so both are cut to what both hold.
struct CommonPair {
    PlaneView original, encoded;
    int height;
};

CommonPair CommonArea(const FrameView& o, const FrameView& e, int height) {
    const int rowSize = std::min(o.rowSize(), e.rowSize());
    return {{o.readPtr(), o.pitch(), rowSize},
            {e.readPtr(), e.pitch(), rowSize},
            std::clamp(height, 0, std::min(o.height(), e.height()))};
}

} // namespace

PairResults MeasurePair(const PairMetrics& metrics, const PlaneView& original, const PlaneView& encoded,
                        int height, int64_t pixelCount) {
    // Whatever ran on this thread before (Qt's drawing routines, for the live display) may have
    // left the upper halves of the vector registers in use, which slows every SSE instruction.
    ResetUpperVectorRegisters();
    PairResults r;
    if (metrics.psnr)
        r.psnr = MseKernel(original, encoded, height, pixelCount, metrics.ssim);
    if (metrics.ssim)
        r.ssim = SsimKernel(original, encoded, height);
    return r;
}

SsimFrameResult ComputeSsimY(const AvsClip& original, const AvsClip& encoded, int frameNumber, int height) {
    FrameView o = FetchFrame(original, frameNumber);
    FrameView e = FetchFrame(encoded, frameNumber);
    const CommonPair p = CommonArea(o, e, height);
    const SsimFrameResult r = SsimKernel(p.original, p.encoded, p.height);
    o.Release();
    e.Release();
    return r;
}

PsnrFrameResult ComputeMseAndDistance(const AvsClip& original, const AvsClip& encoded, int frameNumber,
                                      int height, int64_t pixelCount) {
    FrameView o = FetchFrame(original, frameNumber);
    FrameView e = FetchFrame(encoded, frameNumber);
    const CommonPair p = CommonArea(o, e, height);
    const PsnrFrameResult r = MseKernel(p.original, p.encoded, p.height, pixelCount);
    o.Release();
    e.Release();
    return r;
}

} // namespace bv
