// SSIM in Y over every 8 x 8 window: the band loop, the raster-order sums, and the sharing of a
// frame between the calling thread and its helper.
//
// The per-window figures may be computed in any order, but the three frame sums are chains of
// dependent additions whose rounding depends on their order, so they are always formed one
// window after the other in raster order, by the calling thread. Bands are evaluated in chunks by
// both threads (ChunkRing); the calling thread adds finished bands up while it evaluates its own
// chunks, a few windows after each block of 8, so that the additions overlap with work.
#include "metrics/chunk_ring.h"
#include "metrics/frame_metrics.h"
#include "metrics/helper_thread.h"
#include "metrics/kernel_config.h"
#include "metrics/kernel_table.h"
#include "metrics/ssim_strip.h"
#include "metrics/strip_memory.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace bv {
namespace {

using ssim::Lowest;
using ssim::Strip;
using ssim::StripMemory;
using ssim::StripOps;
using ssim::SumFeed;
using ssim::Sums;
using ssim::TermBlock;

constexpr int kChunkBands = 8;
constexpr int kBlockWindows = 128; // windows per call of evaluate
constexpr int kSumsPerBlock = 16;  // additions carried along per 8 windows evaluated
constexpr long kWorthwhileWindows = 60000;

// One frame as both threads see it.
struct FrameWork {
    const StripOps* ops = nullptr;
    const ssim::DepthFacts* facts = nullptr;
    PlaneView original, encoded;
    int columns = 0; // windows per band
    int rowStride = 0; // term blocks per band
    ChunkRing ring;
    TermBlock* terms = nullptr;                     // per slot, kChunkBands rows of rowStride blocks
    Lowest lowest[ChunkRing::kSlots * kChunkBands]; // per slot and band

    TermBlock* Row(int band) {
        return terms +
               (static_cast<size_t>(ring.SlotOf(band)) * kChunkBands + ring.IndexInSlot(band)) * rowStride;
    }
    Lowest& BandLowest(int band) { return lowest[ring.SlotOf(band) * kChunkBands + ring.IndexInSlot(band)]; }
};

// The calling thread's additions: band after band, window after window.
class OrderedSums {
public:
    explicit OrderedSums(FrameWork& work) : w_(work) {}

    bool Done() const { return band_ == w_.ring.units(); }
    bool NextBandReady() const { return w_.ring.Ready(band_); }

    // Adds the rest of the next band if it is ready; false if it is not.
    bool AddReadyBand() {
        if (!NextBandReady())
            return false;
        const int n = w_.columns - offset_;
        w_.ops->accumulate(sums, w_.Row(band_), offset_, n);
        Advance(n);
        return true;
    }

    // Points `feed` at the rest of the next band when it is ready, for `evaluate` to add.
    void Prepare(SumFeed& feed) {
        feed = {&sums, nullptr, 0, 0, kSumsPerBlock};
        if (NextBandReady()) {
            feed.band = w_.Row(band_);
            feed.next = offset_;
            feed.end = w_.columns;
        }
    }
    void Consumed(const SumFeed& feed) {
        if (feed.band != nullptr)
            Advance(feed.next - offset_);
    }

    Sums sums;
    double lowest = 1.0;
    int lowestX = 0, lowestY = 0;

private:
    void Advance(int n) {
        offset_ += n;
        if (offset_ < w_.columns)
            return;
        const Lowest& candidate = w_.BandLowest(band_);
        if (candidate.x >= 0 && candidate.value < lowest) {
            lowest = candidate.value;
            lowestX = candidate.x;
            lowestY = band_;
        }
        offset_ = 0;
        w_.ring.Summed(++band_);
    }

    FrameWork& w_;
    int band_ = 0;
    int offset_ = 0;
};

// One thread's evaluation of chunks: its strip over the whole width, and the lowest SSIM it has
// met so far, which bounds what it needs to remember of later windows.
class ChunkEvaluator {
public:
    ChunkEvaluator(FrameWork& work, StripMemory& memory) : w_(work) {
        strip_.facts = work.facts;
        strip_.original = work.original.data;
        strip_.encoded = work.encoded.data;
        strip_.originalPitch = work.original.pitch;
        strip_.encodedPitch = work.encoded.pitch;
        strip_.windows = work.columns;
        strip_.columns = work.columns + ssim::kWindow - 1;
        memory.Attach(strip_, work.ops->wideSums);
    }

    // Evaluates chunk c band by band; the calling thread passes its sums to carry them along.
    void Evaluate(int c, OrderedSums* sums) {
        SumFeed feed;
        for (int y = w_.ring.FirstUnit(c); y < w_.ring.EndUnit(c); ++y) {
            // A chunk right below this thread's last one continues its column sums.
            if (y == nextBand_)
                w_.ops->advance(strip_, y);
            else
                w_.ops->start(strip_, y);
            nextBand_ = y + 1;
            TermBlock* row = w_.Row(y);
            Lowest band{lowest_, -1};
            for (int from = 0; from < w_.columns; from += kBlockWindows) {
                const int to = std::min(from + kBlockWindows, w_.columns);
                if (sums != nullptr) {
                    sums->Prepare(feed);
                    w_.ops->evaluate(strip_, from, to, row, band, &feed);
                    sums->Consumed(feed);
                } else {
                    w_.ops->evaluate(strip_, from, to, row, band, nullptr);
                }
            }
            lowest_ = band.value;
            w_.BandLowest(y) = band;
            w_.ring.Finished(y);
        }
    }

private:
    FrameWork& w_;
    Strip strip_;
    int nextBand_ = -1;
    double lowest_ = 1.0;
};

// Whether the helper pays off depends on the machine of the moment: when other programs (or
// other guests of the host) keep the cores busy, the helper's chunk stops the ordered sums while
// the helper waits for a processor, and two threads are slower than one. So the time per window
// is measured with and without the helper, the faster way is taken, and the other way is tried
// again every kProbeInterval frames to keep its figure current. Either way gives the same bits.
class HelperPolicy {
public:
    bool UseHelperNext() const { return useHelperNext_; }

    void FrameDone(bool usedHelper, std::chrono::nanoseconds wall, long windows) {
        const double perWindow = static_cast<double>(wall.count()) / windows;
        Figure& f = usedHelper ? withHelper_ : alone_;
        // Frames of the way in use are smoothed; a look at the other way counts as it is.
        f.value = f.known && usedHelper == lastWay_ ? 0.75 * f.value + 0.25 * perWindow : perWindow;
        f.known = true;
        lastWay_ = usedHelper;
        const bool helperFaster = !alone_.known || (withHelper_.known && withHelper_.value <= alone_.value);
        useHelperNext_ = ++frames_ % kProbeInterval == 0 ? !helperFaster : helperFaster;
    }

private:
    static constexpr int kProbeInterval = 32;
    struct Figure {
        double value = 0;
        bool known = false;
    };
    Figure withHelper_, alone_;
    long frames_ = 0;
    bool lastWay_ = true;
    bool useHelperNext_ = true;
};

// Per calling thread: the memory of both threads and the frame they share.
struct Context {
    StripMemory ownStrip, helperStrip;
    std::vector<TermBlock> terms;
    FrameWork work;
    HelperPolicy policy;
};

Context& ThisThreadsContext() {
    thread_local Context context;
    return context;
}

void HelperTask(void* argument) {
    Context& cx = *static_cast<Context*>(argument);
    ChunkEvaluator evaluator(cx.work, cx.helperStrip);
    cx.work.ring.TakeChunks([&](int chunk) { evaluator.Evaluate(chunk, nullptr); });
}

} // namespace

bool SsimUsesHelper(int width, int height) {
    if (width < ssim::kWindow || height < ssim::kWindow)
        return false;
    if (GetKernelConfig().threads == 0 && !ThisThreadsContext().policy.UseHelperNext())
        return false;
    return UseHelperThread(static_cast<long>(width - ssim::kWindow + 1) * (height - ssim::kWindow + 1),
                           kWorthwhileWindows);
}

SsimFrameResult SsimLuma(const StripOps& ops, const ssim::DepthFacts& facts, const PlaneView& original,
                         const PlaneView& encoded, int width, int height) {
    SsimFrameResult result{};
    result.lowestSsim = 1.0;
    if (height < ssim::kWindow || width < ssim::kWindow)
        return result;

    Context& cx = ThisThreadsContext();
    FrameWork& w = cx.work;
    w.ops = &ops;
    w.facts = &facts;
    w.original = original;
    w.encoded = encoded;
    w.columns = width - (ssim::kWindow - 1);
    const int bands = height - (ssim::kWindow - 1);
    w.rowStride = ssim::TermBlocks(w.columns);
    const size_t terms = static_cast<size_t>(ChunkRing::kSlots) * kChunkBands * w.rowStride;
    if (cx.terms.size() < terms)
        cx.terms.resize(terms);
    w.terms = cx.terms.data();
    w.ring.Reset(bands, kChunkBands);

    const long windows = static_cast<long>(w.columns) * bands;
    HelperThread* helper = SsimUsesHelper(width, height) ? HelperThread::TryStart(HelperTask, &cx) : nullptr;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    OrderedSums sums(w);
    ChunkEvaluator evaluator(w, cx.ownStrip);
    while (!sums.Done()) {
        int chunk = 0;
        const int ahead = helper != nullptr && sums.NextBandReady() ? ChunkRing::kCallerLead : 0;
        if (w.ring.TryClaim(chunk, ahead) == ChunkRing::Claim::Chunk) {
            evaluator.Evaluate(chunk, &sums);
        } else if (!sums.AddReadyBand()) {
            WaitUntil([&] { return sums.NextBandReady(); }); // the helper's band, not finished yet
        }
    }
    if (helper != nullptr)
        helper->Wait();
    if (GetKernelConfig().threads == 0 && windows >= kWorthwhileWindows)
        cx.policy.FrameDone(helper != nullptr, Clock::now() - start, windows);

    result.ssimY = sums.sums.ssim / windows;
    result.weightSum = sums.sums.weight;
    result.qY = sums.sums.weight > 0 ? sums.sums.weighted / sums.sums.weight : 0;
    result.windowCount = static_cast<double>(windows);
    result.lowestSsim = sums.lowest;
    result.lowestX = sums.lowestX;
    result.lowestY = sums.lowestY;
    return result;
}

SsimFrameResult SsimKernel(const PlaneView& original, const PlaneView& encoded, int height) {
    const KernelEntry* k = FindKernels(avs::FormatFamily::PackedYuv422, 8, GetKernelConfig().path);
    return SsimLuma(*k->ssim, *k->facts, original, encoded, original.rowSize / 2, height);
}

} // namespace bv
