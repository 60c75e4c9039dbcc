#include "kernel_checks.h"

#include "metrics/local_ssim_map.h"

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

namespace {

// The per-frame step of every table entry of the pair's format, on one thread and with the
// helper forced on.
template <class Check>
void ForEachEntry(const avs::PixelFormat& format, int width, int height, const Check& check) {
    int entries = 0;
    for (const KernelEntry& k : KernelTable()) {
        if (k.family != format.family || k.bits != format.bitDepth)
            continue;
        ++entries;
        for (const int threads : {1, 2}) {
            ConfigScope scope({k.path, threads});
            const std::optional<PairMeasure> m = PairMeasure::For(format, width, height, {true, true}, &k);
            ASSERT_TRUE(m.has_value());
            check(*m, (k.path == KernelPath::Avx2 ? "AVX2 entry, " : "portable entry, ") +
                          std::to_string(threads) + " thread(s)");
        }
    }
    EXPECT_GT(entries, 0) << format.name;
}

// The map of a frame's pictures holds the very values the run added up, and its lowest window.
void ExpectMapMatches(const avs::PixelFormat& format, const PlaneView& o, const PlaneView& e, int width, int height,
                      const SsimFrameResult& expected) {
    const LocalSsimMap map = ComputeLocalSsimMap(format, o, e, width, height);
    double sum = 0;
    for (double value : map.values)
        sum += value;
    EXPECT_EQ(static_cast<double>(map.values.size()), expected.windowCount) << format.name;
    EXPECT_EQ(map.values.empty() ? 0.0 : sum / static_cast<double>(map.values.size()), expected.ssimY) << format.name;
    EXPECT_EQ(map.lowest, expected.lowestSsim) << format.name;
    EXPECT_EQ(map.lowestX, expected.lowestX) << format.name;
    EXPECT_EQ(map.lowestY, expected.lowestY) << format.name;
}

} // namespace

SsimFrameResult CheckSsimAgainstReference(const PlaneView& o, const PlaneView& e, int height) {
    const SsimFrameResult expected = reference::SsimY(o, e, height);
    for (const NamedConfig& c : AllKernelConfigs()) {
        ConfigScope scope(c.config);
        EXPECT_TRUE(SameBits(expected, SsimKernel(o, e, height))) << c.name;
    }
    if (o.rowSize % 4 == 0)
        ForEachEntry(avs::Yuy2Format(), o.rowSize / 2, height,
                     [&](const PairMeasure& m, const std::string& name) {
                         EXPECT_TRUE(SameBits(expected, m.Measure(&o, &e).ssim)) << name << ", step";
                     });
    ExpectMapMatches(avs::Yuy2Format(), o, e, o.rowSize / 2, height, expected);
    return expected;
}

PsnrFrameResult CheckMseAgainstReference(const PlaneView& o, const PlaneView& e, int height,
                                         int64_t pixelCount) {
    const PsnrFrameResult expected = reference::MseAndDistance(o, e, height, pixelCount);
    for (const NamedConfig& c : AllKernelConfigs()) {
        ConfigScope scope(c.config);
        EXPECT_TRUE(SameBits(expected, MseKernel(o, e, height, pixelCount))) << c.name;
    }
    // As the run computes it: the step that wakes SSIM's helper during the pass.
    if (o.rowSize % 4 == 0 && pixelCount == static_cast<int64_t>(o.rowSize / 2) * height)
        ForEachEntry(avs::Yuy2Format(), o.rowSize / 2, height,
                     [&](const PairMeasure& m, const std::string& name) {
                         EXPECT_TRUE(SameBits(expected, m.Measure(&o, &e).psnr)) << name << ", step";
                     });
    return expected;
}

reference::PairRecords CheckPairAgainstReference(const PlanarFrame& o, const PlanarFrame& e) {
    const reference::PairRecords expected = reference::Pair(o.Picture(), e.Picture());
    const reference::Picture po = o.Picture(), pe = e.Picture();
    ForEachEntry(*o.format, o.width, o.height, [&](const PairMeasure& m, const std::string& name) {
        const PairResults r = m.Measure(po.planes, pe.planes);
        EXPECT_TRUE(SameBits(expected.psnr, r.psnr)) << o.format->name << ", " << name;
        EXPECT_TRUE(SameBits(expected.ssim, r.ssim)) << o.format->name << ", " << name;
    });
    ExpectMapMatches(*o.format, po.planes[0], pe.planes[0], o.width, o.height, expected.ssim);
    return expected;
}

} // namespace bv::testing
