// The two per-frame metrics on clips, the kernels beneath them, and the PSNR derived from an MSE.
#pragma once

#include <cstdint>

#include "metrics/frame_results.h"

namespace bv {

struct AvsClip;

// A YUY2 image read in place: first byte, bytes between row starts, image bytes per row.
struct PackedImage {
    const uint8_t* data = nullptr;
    int pitch = 0;
    int rowSize = 0;
};

// SSIM in Y over every 8 x 8 window. Width in luma samples is original.rowSize / 2; the encoded
// image must be at least as large. Uses the path and threads of KernelConfig (kernel_config.h);
// all give the same bits.
SsimFrameResult SsimKernel(const PackedImage& original, const PackedImage& encoded, int height);

// MSE and mean absolute difference per plane, and the mean distance in YUV; every sum is
// divided by pixelCount (all figures 0 when it is not positive). Groups per row are
// original.rowSize / 4; the encoded image must be at least as large.
PsnrFrameResult MseKernel(const PackedImage& original, const PackedImage& encoded, int height,
                          int64_t pixelCount);

// Fetch frame `frameNumber` of both clips (original first), compute, release (original first).
// Rows and row bytes are limited to what both fetched frames hold.
SsimFrameResult ComputeSsimY(const AvsClip& original, const AvsClip& encoded, int frameNumber, int height);
PsnrFrameResult ComputeMseAndDistance(const AvsClip& original, const AvsClip& encoded, int frameNumber,
                                      int height, int64_t pixelCount);

// 20 * log10(255 / sqrt(mse)); defined for mse > 0 only.
double PsnrFromMse(double mse);

} // namespace bv
