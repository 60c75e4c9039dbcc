#include "kernel_checks.h"

#include <cstdio>
#include <cstring>

namespace bv::testing {
namespace {

std::string Fields(const double* v, int n) {
    std::string s;
    char buffer[40];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%.17g", i > 0 ? " " : "", v[i]);
        s += buffer;
    }
    return s;
}

template <class Record>
::testing::AssertionResult Compare(const Record& expected, const Record& actual) {
    static_assert(sizeof(Record) == 7 * sizeof(double));
    if (std::memcmp(&expected, &actual, sizeof(Record)) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\n  expected " << Fields(reinterpret_cast<const double*>(&expected), 7) << "\n  actual   "
           << Fields(reinterpret_cast<const double*>(&actual), 7);
}

} // namespace

std::vector<NamedConfig> AllKernelConfigs() {
    std::vector<NamedConfig> configs{{{KernelPath::Portable, 1}, "portable, 1 thread"},
                                     {{KernelPath::Portable, 2}, "portable, 2 threads"}};
    if (Avx2Supported()) {
        configs.push_back({{KernelPath::Avx2, 1}, "AVX2, 1 thread"});
        configs.push_back({{KernelPath::Avx2, 2}, "AVX2, 2 threads"});
    }
    configs.push_back({{}, "automatic"}); // as the program runs: its own choice of path and threads
    return configs;
}

::testing::AssertionResult SameBits(const SsimFrameResult& expected, const SsimFrameResult& actual) {
    return Compare(expected, actual);
}
::testing::AssertionResult SameBits(const PsnrFrameResult& expected, const PsnrFrameResult& actual) {
    return Compare(expected, actual);
}

SsimFrameResult CheckSsimAgainstReference(const PlaneView& o, const PlaneView& e, int height) {
    const SsimFrameResult expected = reference::SsimY(o, e, height);
    for (const NamedConfig& c : AllKernelConfigs()) {
        ConfigScope scope(c.config);
        EXPECT_TRUE(SameBits(expected, SsimKernel(o, e, height))) << c.name;
        EXPECT_TRUE(SameBits(expected, MeasurePair({true, true}, o, e, height, 1).ssim)) << c.name << ", step";
    }
    return expected;
}

PsnrFrameResult CheckMseAgainstReference(const PlaneView& o, const PlaneView& e, int height,
                                         int64_t pixelCount) {
    const PsnrFrameResult expected = reference::MseAndDistance(o, e, height, pixelCount);
    for (const NamedConfig& c : AllKernelConfigs()) {
        ConfigScope scope(c.config);
        EXPECT_TRUE(SameBits(expected, MseKernel(o, e, height, pixelCount))) << c.name;
        // As the run computes it: the step that wakes SSIM's helper during the pass.
        EXPECT_TRUE(SameBits(expected, MeasurePair({true, true}, o, e, height, pixelCount).psnr))
            << c.name << ", step";
    }
    return expected;
}

} // namespace bv::testing
