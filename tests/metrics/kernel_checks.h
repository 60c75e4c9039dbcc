// Running the kernels of every table entry and thread count, and comparing records bit for bit.
#pragma once

#include "metrics/kernel_config.h"
#include "metrics/kernel_table.h"
#include "support/reference_metrics.h"
#include "test_frames.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace bv::testing {

struct NamedConfig {
    KernelConfig config;
    std::string name;
};

// Portable and (where the processor has it) AVX2, each on one thread and with the helper
// forced on whatever the frame size; and the automatic choice.
std::vector<NamedConfig> AllKernelConfigs();

// Restores the automatic configuration when it goes out of scope.
struct ConfigScope {
    explicit ConfigScope(const KernelConfig& c) { SetKernelConfig(c); }
    ~ConfigScope() { SetKernelConfig({}); }
};

::testing::AssertionResult SameBits(const SsimFrameResult& expected, const SsimFrameResult& actual);
::testing::AssertionResult SameBits(const PsnrFrameResult& expected, const PsnrFrameResult& actual);

// The reference's record for the YUY2 pair, after checking that every configuration of the
// kernel, and the per-frame step of every YUY2 table entry, gives exactly the same bits.
SsimFrameResult CheckSsimAgainstReference(const PlaneView& o, const PlaneView& e, int height);
PsnrFrameResult CheckMseAgainstReference(const PlaneView& o, const PlaneView& e, int height,
                                         int64_t pixelCount);

// The same for a planar or grey pair: the per-frame step of every table entry of its family and
// depth, on one thread and with the helper, against the reference.
reference::PairRecords CheckPairAgainstReference(const PlanarFrame& o, const PlanarFrame& e);

} // namespace bv::testing
