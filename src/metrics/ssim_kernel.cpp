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
#include <system_error>
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
constexpr int kBlockWindows = 128; // windows per call of evaluate
constexpr int kSumsPerBlock = 16;  // additions carried along per 8 windows evaluated
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

// The calling thread's additions: band after band, window after window.
class OrderedSums {
public:
    explicit OrderedSums(FrameWork& work) : w_(work) {}

    bool Done() const { return band_ == w_.bands; }

    bool NextBandReady() const {
        return band_ < w_.bands && Slot().finishedBands.load(std::memory_order_acquire) > band_;
    }

    // Adds the rest of the next band if it is ready; returns how many windows it added.
    int AddReadyBand() {
        if (!NextBandReady())
            return 0;
        const int n = w_.columns - offset_;
        w_.ops->accumulate(sums, Row() + offset_, n);
        Advance(n);
        return n;
    }

    // Points `feed` at the rest of the next band when it is ready, for `evaluate` to add.
    void Prepare(ssim::SumFeed& feed, int perBlock) {
        feed.sums = &sums;
        feed.perBlock = perBlock;
        feed.next = nullptr;
        feed.available = 0;
        if (NextBandReady()) {
            feed.next = Row() + offset_;
            feed.available = w_.columns - offset_;
        }
        prepared_ = feed.available;
    }
    void Consumed(const ssim::SumFeed& feed) { Advance(prepared_ - feed.available); }

    Terms sums;
    double lowest = 1.0;
    int lowestX = 0, lowestY = 0;

private:
    ChunkSlot& Slot() const { return w_.slots[band_ / kChunkBands % kRingChunks]; }
    const Terms* Row() const { return Slot().terms + static_cast<size_t>(band_ % kChunkBands) * w_.rowStride; }

    void Advance(int n) {
        offset_ += n;
        if (offset_ < w_.columns)
            return;
        const Lowest& candidate = Slot().lowest[band_ % kChunkBands];
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

    FrameWork& w_;
    int band_ = 0;
    int offset_ = 0;
    int prepared_ = 0;
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

    // Evaluates chunk c band by band; the calling thread passes its sums to be carried along.
    void Evaluate(int c, OrderedSums* sums) {
        ChunkSlot& slot = w_.slots[c % kRingChunks];
        const int first = c * kChunkBands, end = std::min(first + kChunkBands, w_.bands);
        ssim::SumFeed feed;
        for (int y = first; y < end; ++y) {
            // A chunk right below this thread's last one continues its column sums.
            if (y == nextBand_)
                w_.ops->advance(strip_, y);
            else
                w_.ops->start(strip_, y);
            nextBand_ = y + 1;
            Terms* row = slot.terms + static_cast<size_t>(y - first) * w_.rowStride;
            Lowest band{lowest_, -1};
            for (int from = 0; from < w_.columns; from += kBlockWindows) {
                const int to = std::min(from + kBlockWindows, w_.columns);
                if (sums != nullptr) {
                    sums->Prepare(feed, kSumsPerBlock);
                    w_.ops->evaluate(strip_, from, to, row, band, &feed);
                    sums->Consumed(feed);
                } else {
                    w_.ops->evaluate(strip_, from, to, row, band, nullptr);
                }
            }
            lowest_ = band.value;
            slot.lowest[y - first] = band;
            slot.finishedBands.store(y + 1, std::memory_order_release);
        }
    }

private:
    FrameWork& w_;
    Strip strip_;
    int nextBand_ = -1;
    double lowest_ = 1.0;
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
        evaluator.Evaluate(chunk, nullptr);
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
        try {
            helper = &HelperThread::ForThisThread();
            helper->Start(HelperTask, &cx);
        } catch (const std::system_error&) {
            helper = nullptr; // no thread to be had: the calling thread does it all
        }
    }

    OrderedSums sums(w);
    ChunkEvaluator evaluator(w, cx.ownStrip);
    while (!sums.Done()) {
        int chunk = 0;
        if (w.TryClaim(chunk) == FrameWork::Claim::Chunk) {
            evaluator.Evaluate(chunk, &sums);
        } else if (sums.AddReadyBand() == 0) {
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
