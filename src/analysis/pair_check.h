// The run's one answer to "can this pair of clips be measured?", decided when the clips are
// opened, from their formats.
#pragma once

#include "metrics/frame_metrics.h"

#include <optional>
#include <string>

namespace bv {

struct AvsClip;

struct PairCheck {
    std::optional<PairMeasure> measure; // the kernels for the pair's frames, when it can be measured
    std::string refusal;                // otherwise why not, and what makes the clips equal
};

PairCheck CheckPair(const AvsClip& clip1, const AvsClip& clip2, PairMetrics metrics);

} // namespace bv
