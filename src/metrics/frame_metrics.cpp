// A file's frame pairs measured with the kernels chosen for its format.
#include "metrics/frame_metrics.h"

#include "frame_source/avs_clip.h"
#include "metrics/kernel_config.h"
#include "metrics/kernel_table.h"
#include "platform/vector_registers.h"

namespace bv {

std::optional<PairMeasure> PairMeasure::For(const avs::PixelFormat& format, int width, int height,
                                            PairMetrics metrics, const KernelEntry* kernels) {
    if (kernels == nullptr)
        kernels = FindKernels(format.family, format.bitDepth, GetKernelConfig().path);
    if (kernels == nullptr || kernels->family != format.family || kernels->bits != format.bitDepth)
        return std::nullopt;
    // Every pixel must have its chroma sample (and YUY2 its whole group).
    const int unitX = format.family == avs::FormatFamily::PackedYuv422 ? 2 : 1 << format.chromaShiftX;
    if (width < 0 || height < 0 || width % unitX != 0 || height % (1 << format.chromaShiftY) != 0)
        return std::nullopt;
    PairMeasure m;
    m.format_ = &format;
    m.kernels_ = kernels;
    m.width_ = width;
    m.height_ = height;
    m.metrics_ = metrics;
    return m;
}

PairResults PairMeasure::Measure(const FrameView& original, const FrameView& encoded) const {
    PlaneView o[FrameView::kMaxPlanes], e[FrameView::kMaxPlanes];
    for (int i = 0; i < original.planeCount() && i < FrameView::kMaxPlanes; ++i)
        o[i] = original.plane(i);
    for (int i = 0; i < encoded.planeCount() && i < FrameView::kMaxPlanes; ++i)
        e[i] = encoded.plane(i);
    return Measure(o, e);
}

PairResults PairMeasure::Measure(const PlaneView* original, const PlaneView* encoded) const {
    // Whatever ran on this thread before (Qt's drawing routines, for the live display) may have
    // left the upper halves of the vector registers in use, which slows every SSE instruction.
    ResetUpperVectorRegisters();
    const KernelEntry& k = *kernels_;
    PairResults r;
    if (metrics_.psnr) {
        mse::Frame frame;
        const bool planar = format_->family == avs::FormatFamily::PlanarYuv;
        for (int i = 0; i < (planar ? 3 : 1); ++i) {
            frame.original[i] = original[i];
            frame.encoded[i] = encoded[i];
        }
        frame.width = width_;
        frame.height = height_;
        frame.shiftX = format_->chromaShiftX;
        frame.shiftY = format_->chromaShiftY;
        frame.chroma = format_->family != avs::FormatFamily::Grey;
        const mse::FrameFn pass = planar && frame.shiftX != 1 ? k.mseOther : k.msePaired;
        r.psnr = MseFrame(pass, frame, static_cast<int64_t>(width_) * height_,
                          metrics_.ssim && SsimUsesHelper(width_, height_));
    }
    if (metrics_.ssim)
        r.ssim = SsimLuma(*k.ssim, *k.facts, original[0], encoded[0], width_, height_);
    return r;
}

} // namespace bv
