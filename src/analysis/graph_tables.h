// The per-frame Q values and the curve colours of the last run with SSIM. The run fills
// them; the graph pages read them until the next run with SSIM rebuilds them.
// TImageArray, TColorArray and the PascalCase fields keep the names the documented interface
// gives them, unlike the rest of the code.
#pragma once

#include <cstdint>
#include <vector>

namespace bv {

struct GraphColor {
    int32_t r = 0;
    int32_t g = 0;
    int32_t b = 0;
};

// [source index][frame offset from the start frame] -> Q in Y; -1.0 marks "no value".
using TImageArray = std::vector<std::vector<double>>;
// [source index] -> colour of its curve; black for a source the run never reached.
using TColorArray = std::vector<GraphColor>;

inline constexpr double kNoGraphValue = -1.0;

struct GraphTables {
    TImageArray GraphValues;
    TColorArray GraphColors;
};

} // namespace bv
