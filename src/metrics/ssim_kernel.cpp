// SSIM in Y over every 8 x 8 window: the band loop, the raster-order sums, and the sharing of a
// frame between the calling thread and its helper.
//
// The per-window figures may be computed in any order, but the three frame sums are chains of
// dependent additions whose rounding depends on their order, so they are always formed one
// window after the other in raster order, by the calling thread. The frame is cut into chunks of
// a few bands; the calling thread and the helper take chunks in turn as they become free, evaluate
// them into a small ring of chunk buffers, and the calling thread adds the finished bands up in
// order between pieces of its own evaluation, so the additions overlap with work. Taking chunks
// as they come keeps both threads busy whatever their speed, and keeps the calling thread going
// on its own when the helper does not get a processor.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "metrics/frame_metrics.h"
#include "metrics/helper_thread.h"
#include "metrics/kernel_config.h"
#include "metrics/ssim_strip.h"

namespace bv {
namespace {

using ssim::Lowest;
using ssim::Strip;
using ssim::StripOps;
using ssim::Terms;

constexpr int kChunkBands = 8;
constexpr int kRingChunks = 4;
constexpr int kBlockWindows = 64; // evaluated between two portions of additions
constexpr int kSumPortion = 192;  // windows added per portion
// Below this many windows a second thread costs more than it saves.
constexpr long kMinWindowsForHelper = 60000;

// Column sums of one thread's strip, kept between frames: frames of a known size allocate nothing.
class StripMemory {
public:
    void Attach(Strip& strip) {
        const size_t n = static_cast<size_t>(ssim::PaddedColumns(strip.windows));
        if (sums_.size() < 4 * n)
            sums_.resize(4 * n);
        strip.sumPacked = sums_.data();
        strip.sumOO = strip.sumPacked + n;
        strip.sumEE = strip.sumOO + n;
        strip.sumOE = strip.sumEE + n;
    }

private:
    std::vector<int32_t> sums_;
};

struct ChunkSlot {
    // 1 + the frame band number of the last band evaluated into this slot. A slot holds chunks
    // c, c + kRingChunks, ... in turn, so the count only grows within a frame.
    alignas(64) std::atomic<int> finishedBands{0};
    Lowest lowest[kChunkBands];
    Terms* terms = nullptr; // kChunkBands rows of `rowStride` terms
};

// One frame as both threads see it.
struct FrameWork {
    const StripOps* ops = nullptr;
    PackedImage original, encoded;
    int columns = 0; // windows per band
    int bands = 0;
    int chunks = 0;
    int rowStride = 0;
    ChunkSlot slots[kRingChunks];
    alignas(64) std::atomic<int> nextChunk{0};
    alignas(64) std::atomic<int> summedChunks{0};

    // Claims the next chunk if there is one and its slot is free.
    enum class Claim { Chunk, RingFull, NoneLeft };
    Claim TryClaim(int& chunk) {
        int c = nextChunk.load(std::memory_order_relaxed);
        for (;;) {
            if (c >= chunks)
                return Claim::NoneLeft;
            if (c >= summedChunks.load(std::memory_order_acquire) + kRingChunks)
                return Claim::RingFull;
            if (nextChunk.compare_exchange_weak(c, c + 1, std::memory_order_relaxed)) {
                chunk = c;
                return Claim::Chunk;
            }
        }
    }
};

// One thread's evaluation of chunks: its strip over the whole width, and the lowest SSIM it
// has met so far, which bounds what it needs to remember of later windows.
class ChunkEvaluator {
public:
    ChunkEvaluator(FrameWork& work, StripMemory& memory) : w_(work) {
        strip_.original = work.original.data;
        strip_.encoded = work.encoded.data;
        strip_.originalPitch = work.original.pitch;
        strip_.encodedPitch = work.encoded.pitch;
        strip_.firstWindow = 0;
        strip_.windows = work.columns;
        strip_.columns = work.columns + ssim::kWindow - 1;
        memory.Attach(strip_);
    }

    // Evaluates chunk c band by band; between blocks of windows calls between().
    template <class Between>
    void Evaluate(int c, Between between) {
        ChunkSlot& slot = w_.slots[c % kRingChunks];
        const int first = c * kChunkBands, end = std::min(first + kChunkBands, w_.bands);
        w_.ops->start(strip_, first);
        for (int y = first; y < end; ++y) {
            if (y > first)
                w_.ops->advance(strip_, y);
            Terms* row = slot.terms + static_cast<size_t>(y - first) * w_.rowStride;
            Lowest band{lowest_, -1};
            for (int from = 0; from < w_.columns; from += kBlockWindows) {
                w_.ops->evaluate(strip_, from, std::min(from + kBlockWindows, w_.columns), row, band);
                between();
            }
            lowest_ = band.value;
            slot.lowest[y - first] = band;
            slot.finishedBands.store(y + 1, std::memory_order_release);
        }
    }

private:
    FrameWork& w_;
    Strip strip_;
    double lowest_ = 1.0;
};

// The calling thread's additions: band after band, window after window.
class OrderedSums {
public:
    explicit OrderedSums(FrameWork& work) : w_(work) {}

    bool Done() const { return band_ == w_.bands; }

    // Adds up to `budget` windows of finished bands; returns how many it added.
    int Step(int budget) {
        int added = 0;
        while (budget > 0 && band_ < w_.bands) {
            const int chunk = band_ / kChunkBands;
            ChunkSlot& slot = w_.slots[chunk % kRingChunks];
            if (slot.finishedBands.load(std::memory_order_acquire) <= band_)
                break;
            const Terms* row = slot.terms + static_cast<size_t>(band_ - chunk * kChunkBands) * w_.rowStride;
            const int take = std::min(budget, w_.columns - offset_);
            w_.ops->accumulate(sums, row + offset_, take);
            offset_ += take;
            budget -= take;
            added += take;
            if (offset_ == w_.columns) {
                const Lowest& candidate = slot.lowest[band_ - chunk * kChunkBands];
                if (candidate.x >= 0 && candidate.value < lowest) {
                    lowest = candidate.value;
                    lowestX = candidate.x;
                    lowestY = band_;
                }
                offset_ = 0;
                ++band_;
                if (band_ % kChunkBands == 0 || band_ == w_.bands)
                    w_.summedChunks.store((band_ + kChunkBands - 1) / kChunkBands, std::memory_order_release);
            }
        }
        return added;
    }

    bool NextBandReady() const {
        const int chunk = band_ / kChunkBands;
        return w_.slots[chunk % kRingChunks].finishedBands.load(std::memory_order_acquire) > band_;
    }

    Terms sums;
    double lowest = 1.0;
    int lowestX = 0, lowestY = 0;

private:
    FrameWork& w_;
    int band_ = 0;
    int offset_ = 0;
};

// Per calling thread: the memory of both threads and the frame they share.
struct Context {
    StripMemory ownStrip, helperStrip;
    std::vector<Terms> ring;
    FrameWork work;
};

Context& ThisThreadsContext() {
    thread_local Context context;
    return context;
}

void HelperTask(void* argument) {
    Context& cx = *static_cast<Context*>(argument);
    FrameWork& w = cx.work;
    ChunkEvaluator evaluator(w, cx.helperStrip);
    for (;;) {
        int chunk = 0;
        const FrameWork::Claim claim = w.TryClaim(chunk);
        if (claim == FrameWork::Claim::NoneLeft)
            return;
        if (claim == FrameWork::Claim::RingFull) {
            const int summed = w.summedChunks.load(std::memory_order_acquire);
            WaitUntil([&] { return w.summedChunks.load(std::memory_order_acquire) != summed; });
            continue;
        }
        evaluator.Evaluate(chunk, [] {});
    }
}

bool UseHelper(long windows) {
    switch (GetKernelConfig().threads) {
    case 1:
        return false;
    case 2:
        return true;
    default:
        return windows >= kMinWindowsForHelper && std::thread::hardware_concurrency() >= 2;
    }
}

} // namespace

SsimFrameResult SsimKernel(const PackedImage& original, const PackedImage& encoded, int height) {
    SsimFrameResult result{};
    result.lowestSsim = 1.0;
    const int width = original.rowSize / 2;
    if (height < ssim::kWindow || width < ssim::kWindow)
        return result;

    Context& cx = ThisThreadsContext();
    FrameWork& w = cx.work;
    w.ops = ActiveKernelPath() == KernelPath::Avx2 ? &ssim::Avx2Ops() : &ssim::PortableOps();
    w.original = original;
    w.encoded = encoded;
    w.columns = width - (ssim::kWindow - 1);
    w.bands = height - (ssim::kWindow - 1);
    w.chunks = (w.bands + kChunkBands - 1) / kChunkBands;
    w.rowStride = ssim::PaddedTerms(w.columns);
    const size_t slotTerms = static_cast<size_t>(kChunkBands) * w.rowStride;
    if (cx.ring.size() < kRingChunks * slotTerms)
        cx.ring.resize(kRingChunks * slotTerms);
    for (int i = 0; i < kRingChunks; ++i) {
        w.slots[i].terms = cx.ring.data() + i * slotTerms;
        w.slots[i].finishedBands.store(0, std::memory_order_relaxed);
    }
    w.nextChunk.store(0, std::memory_order_relaxed);
    w.summedChunks.store(0, std::memory_order_relaxed);

    const long windows = static_cast<long>(w.columns) * w.bands;
    HelperThread* helper = nullptr;
    if (UseHelper(windows)) {
        helper = &HelperThread::ForThisThread();
        helper->Start(HelperTask, &cx);
    }

    OrderedSums sums(w);
    ChunkEvaluator evaluator(w, cx.ownStrip);
    while (!sums.Done()) {
        int chunk = 0;
        if (w.TryClaim(chunk) == FrameWork::Claim::Chunk) {
            evaluator.Evaluate(chunk, [&] { sums.Step(kSumPortion); });
        } else if (sums.Step(w.columns) == 0) {
            // The next band is the helper's and not finished yet.
            WaitUntil([&] { return sums.NextBandReady(); });
        }
    }
    if (helper != nullptr)
        helper->Wait();

    result.ssimY = sums.sums.ssim / windows;
    result.weightSum = sums.sums.weight;
    result.qY = sums.sums.weight > 0 ? sums.sums.weighted / sums.sums.weight : 0;
    result.windowCount = static_cast<double>(windows);
    result.lowestSsim = sums.lowest;
    result.lowestX = sums.lowestX;
    result.lowestY = sums.lowestY;
    return result;
}

} // namespace bv
