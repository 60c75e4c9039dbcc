// The metric kernels of every format family and sample depth, one entry per family, depth and
// path (as FFmpeg's DSP init tables: filled once, looked up when the clips of a file are opened).
// The depth's facts (SSIM's constants, the weight's thresholds, the peak) are entry data too.
#pragma once

#include "avs_abi/pixel_format.h"
#include "metrics/frame_results.h"
#include "metrics/kernel_config.h"
#include "metrics/mse_rows.h"
#include "metrics/ssim_strip.h"

#include <span>

namespace bv {

struct KernelEntry {
    avs::FormatFamily family;
    int bits;
    KernelPath path; // Portable or Avx2
    const ssim::StripOps* ssim;
    ssim::LumaLayout layout; // of the samples the strip reads
    // MSE pass for YUY2, grey, and planar chroma shared by each pixel pair (4:2:0, 4:2:2) ...
    mse::FrameFn msePaired;
    // ... and for planar chroma subsampled otherwise (4:4:4, 4:1:1).
    mse::FrameFn mseOther;
    const ssim::DepthFacts* facts;
    int peak; // 2^bits - 1
};

// Every entry this processor can run: the portable ones, then those with AVX2 where it has it.
std::span<const KernelEntry> KernelTable();

// The entry for the family and depth on `path` (Automatic: AVX2 where the processor has it);
// the portable entry where the path has none of its own; nullptr for a family or depth
// without kernels (packed RGB, depths other than 8, 10, 12, 14, 16, YUY2 other than 8 bits).
const KernelEntry* FindKernels(avs::FormatFamily family, int bits, KernelPath path);

// The drivers the entries plug into. SSIM of the luma planes, width x height samples.
SsimFrameResult SsimLuma(const ssim::StripOps& ops, const ssim::DepthFacts& facts, const PlaneView& original,
                         const PlaneView& encoded, int width, int height);
// The MSE pass's sums divided by pixelCount (all 0 when it is not positive). `wakeHelper`: SSIM
// of the same pair follows and shares the frame with the helper thread, which is woken during
// this pass so that its wake-up time passes meanwhile.
PsnrFrameResult MseFrame(mse::FrameFn pass, const mse::Frame& frame, int64_t pixelCount, bool wakeHelper);

} // namespace bv
