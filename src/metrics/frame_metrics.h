// The per-frame metrics of a file's frame pairs, the kernels beneath them, and the PSNR derived
// from an MSE.
#pragma once

#include "avs_abi/pixel_format.h"
#include "frame_source/plane_view.h"
#include "metrics/frame_results.h"

#include <cstdint>
#include <optional>

namespace bv {

class FrameView;
struct KernelEntry;

struct PairMetrics {
    bool psnr = true;
    bool ssim = true;
};
struct PairResults {
    PsnrFrameResult psnr;
    SsimFrameResult ssim;
};

// The metrics of one file's frame pairs, with the kernels chosen once, when its clips are
// opened, from the kernel table (kernel_table.h) for the clips' format and depth.
//
// What is measured, for YUY2, planar YUV (any subsampling) and grey, at 8 to 16 bits:
// - differences are in the samples' own units; each pixel uses the chroma sample it shares;
// - MSE and mean absolute difference of U and V are means over the pixels (a chroma sample
//   counts once for each pixel that shares it; where every sample is shared by the same number
//   of pixels, as the even frame sizes For() accepts ensure, this is also the mean over the
//   chroma samples, to the last bit, as FFmpeg's psnr filter takes it);
// - the distance in YUV is taken per pixel with that pixel's chroma;
// - grey frames have no U, V or YUV figures: those fields stay 0;
// - SSIM's constants and the luminance weight's thresholds follow the depth (ssim_strip.h).
// The record of a figure the format does not have is 0.
class PairMeasure {
public:
    // Kernels for frames of `format`, width x height pixels; `kernels` overrides the table's
    // choice (the checks run every entry). nullopt where the pair cannot be measured: packed RGB,
    // a depth without kernels, or a frame size that is not a whole number of chroma samples.
    static std::optional<PairMeasure> For(const avs::PixelFormat& format, int width, int height,
                                          PairMetrics metrics, const KernelEntry* kernels = nullptr);

    // The per-frame step of a run: the chosen metrics of one pair, MSE first; the one place
    // that decides which threads work on a frame. Frames must have the size and format given to
    // For(); `original` and `encoded` hold the format's planes (plane 0 alone for YUY2 and grey).
    PairResults Measure(const FrameView& original, const FrameView& encoded) const;
    PairResults Measure(const PlaneView* original, const PlaneView* encoded) const;

    const KernelEntry& kernels() const { return *kernels_; }
    const avs::PixelFormat& format() const { return *format_; }

private:
    const avs::PixelFormat* format_ = nullptr;
    const KernelEntry* kernels_ = nullptr;
    int width_ = 0, height_ = 0;
    PairMetrics metrics_;
};

// YUY2 images as one plane, with the kernels of the configured path (for tests and the
// benchmark; the run goes through PairMeasure). SSIM in Y over every 8 x 8 window, width
// original.rowSize / 2.
SsimFrameResult SsimKernel(const PlaneView& original, const PlaneView& encoded, int height);
// MSE and mean absolute difference per plane, and the mean distance in YUV; every sum is
// divided by pixelCount (all figures 0 when it is not positive). Groups per row are
// original.rowSize / 4.
PsnrFrameResult MseKernel(const PlaneView& original, const PlaneView& encoded, int height,
                          int64_t pixelCount);

// Whether SSIM shares a frame of width x height luma samples with the helper thread.
bool SsimUsesHelper(int width, int height);

// 20 * log10(peak / sqrt(mse)); defined for mse > 0 only. The peak is 2^b - 1 for b-bit samples.
double PsnrFromMse(double mse, int peak = 255);

} // namespace bv
