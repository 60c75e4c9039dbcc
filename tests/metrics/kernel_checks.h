// Running a kernel under every path and thread count, and comparing records bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "metrics/kernel_config.h"
#include "reference_metrics.h"

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

// The reference's record for the pair, after checking that every configuration of the kernel
// gives exactly the same bits.
SsimFrameResult CheckSsimAgainstReference(const PlaneView& o, const PlaneView& e, int height);
PsnrFrameResult CheckMseAgainstReference(const PlaneView& o, const PlaneView& e, int height,
                                         int64_t pixelCount);

} // namespace bv::testing
