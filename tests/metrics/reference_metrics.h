// The two metrics computed the slow, obvious way: every window's deviation sums visited sample
// by sample, every pixel's distance from std::sqrt. The fast kernels must match these bit for bit.
#pragma once

#include <cstdint>

#include "metrics/frame_metrics.h"

namespace bv::reference {

SsimFrameResult SsimY(const PlaneView& original, const PlaneView& encoded, int height);
PsnrFrameResult MseAndDistance(const PlaneView& original, const PlaneView& encoded, int height,
                               int64_t pixelCount);

} // namespace bv::reference
