// Frames per second of the metric kernels ("fast": as the program runs them) and of their
// literal definitions ("plain"), on real encoded frames. Cases: ssim_plain, ssim_fast, mse_plain,
// mse_fast, both_plain, both_fast (SSIM and MSE of one frame pair together), and the fast
// kernels held to one thread (…_fast_1thread), each at 720x576 and 1920x1080 in YUY2; the fast
// cases also in planar 4:2:0 at 8 bits (…_420p8) and 10 bits (…_420p10).
#include "avs_abi/pixel_format.h"
#include "metrics/frame_metrics.h"
#include "metrics/kernel_config.h"
#include "support/reference_metrics.h"
#include "test_frames.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using bv::testing::PlanarFrame;

struct Clip {
    std::vector<PlanarFrame> originals, encodes;
};

// The frames of one format: YUY2 (.yuyv), 8-bit 4:2:0 (.yuv420p) or 10-bit 4:2:0 (.yuv420p10).
const Clip& Frames(const bv::avs::PixelFormat& format, const std::string& suffix, int width, int height) {
    static std::map<std::string, Clip> clips;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    Clip& clip = clips[size + suffix];
    if (clip.originals.empty()) {
        const char* dir = std::getenv("BREVANTA_BENCH_DATA");
        const std::string base = std::string(dir != nullptr ? dir : BV_BENCH_DATA) + "/";
        clip.originals = bv::testing::ReadPlanarFile(base + "orig_" + size + suffix, format, width, height);
        clip.encodes = bv::testing::ReadPlanarFile(base + "enc_" + size + suffix, format, width, height);
        if (clip.originals.empty() || clip.originals.size() != clip.encodes.size()) {
            std::fprintf(stderr, "benchmark frames missing in %s (build the metrics_bench_frames target)\n",
                         base.c_str());
            std::exit(1);
        }
    }
    return clip;
}

// One frame pair's work; `fast` holds the kernels chosen for the file, as a run holds them.
using Work = std::function<void(const PlanarFrame& o, const PlanarFrame& e, const bv::PairMeasure& fast)>;

template <class T>
void Keep(const T& value) {
    benchmark::DoNotOptimize(value);
}

void Run(benchmark::State& state, const bv::avs::PixelFormat& format, const std::string& suffix, int width,
         int height, const Work& work, bv::PairMetrics metrics, int threads) {
    const Clip& clip = Frames(format, suffix, width, height);
    bv::SetKernelConfig({bv::KernelPath::Automatic, threads});
    const bv::PairMeasure fast = *bv::PairMeasure::For(format, width, height, metrics);
    size_t f = 0;
    for (auto _ : state) {
        work(clip.originals[f], clip.encodes[f], fast);
        f = (f + 1) % clip.originals.size();
    }
    bv::SetKernelConfig({});
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

void Register() {
    const Work ssimPlain = [](auto& o, auto& e, auto&) {
        Keep(bv::reference::SsimY(o.Picture(), e.Picture()));
    };
    const Work msePlain = [](auto& o, auto& e, auto&) {
        Keep(bv::reference::MseAndDistance(o.Picture(), e.Picture()));
    };
    const Work bothPlain = [=](auto& o, auto& e, auto& m) {
        msePlain(o, e, m);
        ssimPlain(o, e, m);
    };
    // As the run computes them: its per-frame metrics step.
    const Work fast = [](auto& o, auto& e, auto& m) {
        const bv::PlaneView po[3] = {o.View(0), o.count() > 1 ? o.View(1) : bv::PlaneView{},
                                     o.count() > 1 ? o.View(2) : bv::PlaneView{}};
        const bv::PlaneView pe[3] = {e.View(0), e.count() > 1 ? e.View(1) : bv::PlaneView{},
                                     e.count() > 1 ? e.View(2) : bv::PlaneView{}};
        Keep(m.Measure(po, pe));
    };
    const bv::PairMetrics ssim{false, true}, mse{true, false}, both{true, true};
    const struct {
        const char* name;
        Work work;
        bv::PairMetrics metrics;
        int threads;
        bool plain;
    } cases[] = {{"ssim_plain", ssimPlain, ssim, 1, true},    {"ssim_fast", fast, ssim, 0, false},
                 {"mse_plain", msePlain, mse, 1, true},       {"mse_fast", fast, mse, 0, false},
                 {"both_plain", bothPlain, both, 1, true},    {"both_fast", fast, both, 0, false},
                 {"ssim_fast_1thread", fast, ssim, 1, false}, {"both_fast_1thread", fast, both, 1, false}};
    const struct {
        const char* tag; // after the case's name
        const char* format;
        const char* suffix;
    } formats[] = {
        {"", "YUY2", ".yuyv"}, {"_420p8", "YV12", ".yuv420p"}, {"_420p10", "YUV420P10", ".yuv420p10"}};
    for (const auto& fm : formats)
        for (auto [w, h] : {std::pair{720, 576}, {1920, 1080}})
            for (const auto& c : cases) {
                if (c.plain && *fm.tag != 0)
                    continue; // the literal definitions are timed on YUY2 only
                const std::string name =
                    std::string(c.name) + fm.tag + "/" + std::to_string(w) + "x" + std::to_string(h);
                const bv::avs::PixelFormat& format = *bv::avs::FindPixelFormat(fm.format);
                const std::string suffix = fm.suffix;
                auto* b = benchmark::RegisterBenchmark(name.c_str(), [=, &format](benchmark::State& s) {
                    Run(s, format, suffix, w, h, c.work, c.metrics, c.threads);
                });
                b->UseRealTime()->Unit(benchmark::kMillisecond);
                // Over repetitions, the shortest time: other work on the machine only ever adds time.
                b->ComputeStatistics("min", [](const std::vector<double>& v) {
                    return *std::min_element(v.begin(), v.end());
                });
                if (c.plain)
                    b->MinTime(1.0);
            }
}

} // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
