// Frames per second of the metric kernels ("fast": as the program runs them) and of their
// literal definitions ("plain"), on real encoded frames. Cases: ssim_plain, ssim_fast, mse_plain,
// mse_fast, both_plain, both_fast (SSIM and MSE of one frame pair together), and the fast
// kernels held to one thread (…_fast_1thread), each at 720x576 and 1920x1080.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "metrics/kernel_config.h"
#include "support/reference_metrics.h"
#include "test_frames.h"

namespace {

using bv::PlaneView;
using bv::testing::Yuy2Frame;

struct Clip {
    std::vector<Yuy2Frame> originals, encodes;
};

const Clip& Frames(int width, int height) {
    static std::map<int, Clip> clips;
    Clip& clip = clips[width];
    if (clip.originals.empty()) {
        const char* dir = std::getenv("BREVANTA_BENCH_DATA");
        const std::string base = std::string(dir != nullptr ? dir : BV_BENCH_DATA) + "/";
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        clip.originals = bv::testing::ReadYuyvFile(base + "orig_" + size + ".yuyv", width, height);
        clip.encodes = bv::testing::ReadYuyvFile(base + "enc_" + size + ".yuyv", width, height);
        if (clip.originals.empty() || clip.originals.size() != clip.encodes.size()) {
            std::fprintf(stderr, "benchmark frames missing in %s (build the metrics_bench_frames target)\n",
                         base.c_str());
            std::exit(1);
        }
    }
    return clip;
}

using Work = std::function<void(const PlaneView&, const PlaneView&, int height, int64_t pixels)>;

void Run(benchmark::State& state, int width, int height, const Work& work, int threads) {
    const Clip& clip = Frames(width, height);
    bv::SetKernelConfig({bv::KernelPath::Automatic, threads});
    size_t f = 0;
    for (auto _ : state) {
        work(clip.originals[f].image(), clip.encodes[f].image(), height, int64_t{width} * height);
        f = (f + 1) % clip.originals.size();
    }
    bv::SetKernelConfig({});
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

template <class T>
void Keep(const T& value) {
    benchmark::DoNotOptimize(value);
}

void Register() {
    const Work ssimPlain = [](auto& o, auto& e, int h, int64_t) { Keep(bv::reference::SsimY(o, e, h)); };
    const Work ssimFast = [](auto& o, auto& e, int h, int64_t) { Keep(bv::SsimKernel(o, e, h)); };
    const Work msePlain = [](auto& o, auto& e, int h, int64_t n) {
        Keep(bv::reference::MseAndDistance(o, e, h, n));
    };
    const Work mseFast = [](auto& o, auto& e, int h, int64_t n) { Keep(bv::MseKernel(o, e, h, n)); };
    const Work bothPlain = [=](auto& o, auto& e, int h, int64_t n) {
        msePlain(o, e, h, n);
        ssimPlain(o, e, h, n);
    };
    // Both as the run computes them: its per-frame metrics step.
    const Work bothFast = [](auto& o, auto& e, int h, int64_t) {
        Keep(bv::PairMeasure::For(bv::avs::Yuy2Format(), o.rowSize / 2, h, {true, true})->Measure(&o, &e));
    };
    const struct {
        const char* name;
        Work work;
        int threads;
        bool plain;
    } cases[] = {{"ssim_plain", ssimPlain, 1, true},   {"ssim_fast", ssimFast, 0, false},
                 {"mse_plain", msePlain, 1, true},     {"mse_fast", mseFast, 0, false},
                 {"both_plain", bothPlain, 1, true},   {"both_fast", bothFast, 0, false},
                 {"ssim_fast_1thread", ssimFast, 1, false}, {"both_fast_1thread", bothFast, 1, false}};
    for (auto [w, h] : {std::pair{720, 576}, {1920, 1080}})
        for (const auto& c : cases) {
            const std::string name = std::string(c.name) + "/" + std::to_string(w) + "x" + std::to_string(h);
            auto* b = benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) {
                Run(s, w, h, c.work, c.threads);
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
