// The two per-frame metrics on clips, the kernels beneath them, and the PSNR derived from an MSE.
#pragma once

#include <cstdint>

#include "frame_source/plane_view.h"
#include "metrics/frame_results.h"

namespace bv {

struct AvsClip;

// The kernels read YUY2 images as one plane (the `height` they are given counts, not the
// plane's own).

// SSIM in Y over every 8 x 8 window. Width in luma samples is original.rowSize / 2; the encoded
// image must be at least as large. Uses the path and threads of KernelConfig (kernel_config.h);
// all give the same bits.
SsimFrameResult SsimKernel(const PlaneView& original, const PlaneView& encoded, int height);

// Whether SsimKernel shares a frame of width x height luma samples with the helper thread.
bool SsimUsesHelper(int width, int height);

// MSE and mean absolute difference per plane, and the mean distance in YUV; every sum is
// divided by pixelCount (all figures 0 when it is not positive). Groups per row are
// original.rowSize / 4; the encoded image must be at least as large. `ssimFollows`: the same
// pair goes to SsimKernel next, so SSIM's helper is woken during this pass when it will share
// that frame; otherwise the helper is left asleep.
PsnrFrameResult MseKernel(const PlaneView& original, const PlaneView& encoded, int height,
                          int64_t pixelCount, bool ssimFollows = false);

// The per-frame metrics step of a run: the chosen metrics of one pair, MSE first. The one
// place that decides which threads work on a frame.
struct PairMetrics {
    bool psnr = true;
    bool ssim = true;
};
struct PairResults {
    PsnrFrameResult psnr;
    SsimFrameResult ssim;
};
PairResults MeasurePair(const PairMetrics& metrics, const PlaneView& original, const PlaneView& encoded,
                        int height, int64_t pixelCount);

// Fetch frame `frameNumber` of both clips (original first), compute, release (original first).
// Rows and row bytes are limited to what both fetched frames hold.
SsimFrameResult ComputeSsimY(const AvsClip& original, const AvsClip& encoded, int frameNumber, int height);
PsnrFrameResult ComputeMseAndDistance(const AvsClip& original, const AvsClip& encoded, int frameNumber,
                                      int height, int64_t pixelCount);

// 20 * log10(255 / sqrt(mse)); defined for mse > 0 only.
double PsnrFromMse(double mse);

} // namespace bv
