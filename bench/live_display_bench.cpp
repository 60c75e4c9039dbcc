// What the live display costs the run thread per frame while its tab shows: the preview
// pictures of both clips and the live graph page; and what the window's thread pays to show them.
#include "analysis/graph_tables.h"
#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "graph/graph_page.h"
#include "graph/graph_paging.h"
#include "graph/gui_application.h"
#include "graph/preview_image.h"

#include <QImage>
#include <QPixmap>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace {

// A YUY2 clip of the built-in frame server, from a script in a temporary file.
bv::AvsClip OpenColorBars(bv::ScriptEnvironment& environment, int width, int height) {
    char path[] = "/tmp/bv_bench_XXXXXX.avs";
    const int fd = mkstemps(path, 4);
    const std::string script =
        "ColorBars(" + std::to_string(width) + ", " + std::to_string(height) + ", \"YUY2\")\n";
    if (fd < 0 || write(fd, script.data(), script.size()) != static_cast<ssize_t>(script.size()))
        std::abort();
    close(fd);
    bv::AvsClip clip = bv::OpenAvsClip(environment, path);
    std::remove(path);
    return clip;
}

void PreviewFrame(benchmark::State& state) {
    setenv("BREVANTA_AVISYNTH", "builtin", 1);
    bv::ScriptEnvironment environment;
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    bv::AvsClip clip = OpenColorBars(environment, width, height);
    QImage image;
    int frame = 0;
    for (auto _ : state) {
        bv::RenderPreviewFrame(clip, frame++ % 100, image, width, height);
        bv::ConvertPreviewToRgb(image, bv::kPreviewRec601, width, height);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PreviewFrame)->Args({720, 576})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

bv::GraphTables Tables(int sources, int frames) {
    bv::GraphTables tables;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> q(0.6, 1.0);
    tables.GraphValues.assign(sources, std::vector<double>(frames, bv::kNoGraphValue));
    tables.GraphColors.assign(sources, bv::GraphColor{200, 30, 90});
    for (auto& row : tables.GraphValues)
        for (double& v : row)
            v = q(random);
    return tables;
}

void LiveGraphPage(benchmark::State& state) {
    bv::EnsureGuiApplication();
    const int sources = static_cast<int>(state.range(0));
    const bv::GraphTables tables = Tables(sources, 1000);
    const std::vector<std::string> names(sources, "/home/user/videos/encode_crf26.mkv");
    int count = 0;
    for (auto _ : state) {
        const QImage page = bv::RenderGraphPage(500, 1600, bv::LiveGraphPageOffset(++count % 1000 + 1),
                                                sources, tables, names);
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(LiveGraphPage)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// The window's side: a finished picture becomes a pixmap (the labels scale it when painting).
void PictureToPixmap(benchmark::State& state) {
    bv::EnsureGuiApplication();
    QImage image(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), QImage::Format_RGB32);
    image.fill(Qt::gray);
    for (auto _ : state) {
        const QPixmap pixmap = QPixmap::fromImage(image);
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}
BENCHMARK(PictureToPixmap)->Args({720, 576})->Args({500, 1600})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
namespace {
void PreviewParts(benchmark::State& state) {
    const int width = 720, height = 576;
    std::vector<uint8_t> yuy2(width * 2 * height);
    std::mt19937 random(3);
    for (auto& b : yuy2)
        b = random();
    QImage image;
    for (auto _ : state) {
        bv::UnpackYuy2Preview(yuy2.data(), width * 2, width * 2, height, image, width, height);
        if (state.range(0))
            bv::ConvertPreviewToRgb(image, bv::kPreviewRec601, width, height);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PreviewParts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace
#include <thread>
namespace {
// The live page is drawn on the run's thread, not the GUI thread.
void LiveGraphPageOnAnotherThread(benchmark::State& state) {
    bv::EnsureGuiApplication();
    const bv::GraphTables tables = Tables(2, 1000);
    const std::vector<std::string> names(2, "/home/user/videos/encode_crf26.mkv");
    for (auto _ : state) {
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) {
                const QImage page = bv::RenderGraphPage(500, 1600, bv::LiveGraphPageOffset(i * 7 % 1000 + 1),
                                                        2, tables, names);
                benchmark::DoNotOptimize(page.constBits());
            }
        });
        worker.join();
    }
}
BENCHMARK(LiveGraphPageOnAnotherThread)->Unit(benchmark::kMillisecond);
} // namespace
