// MSE, mean absolute difference and mean YUV distance of one frame pair, and the PSNR of an MSE.
// Rows are evaluated in chunks by the calling thread and its helper (ChunkRing); the calling
// thread adds the distance terms up in frame order while it evaluates its own chunks.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "metrics/chunk_ring.h"
#include "metrics/frame_metrics.h"
#include "metrics/helper_thread.h"
#include "metrics/kernel_config.h"
#include "metrics/mse_rows.h"

namespace bv {
namespace mse {
namespace {

void PortableRowImpl(const uint8_t* a, const uint8_t* b, int groups, const double* root, Sums& s,
                     double* terms, DistanceFeed* feed) {
    for (int g = 0; g < groups; ++g, a += 4, b += 4) {
        if (feed != nullptr && g % 8 == 0) {
            const int n = std::min(feed->available, feed->perBlock);
            for (int k = 0; k < n; ++k)
                *feed->sum += feed->next[k];
            feed->next += n;
            feed->available -= n;
        }
        const int d0 = a[0] - b[0], du = a[1] - b[1], d1 = a[2] - b[2], dv = a[3] - b[3];
        s.squareY += d0 * d0 + d1 * d1;
        s.squareU += 2 * du * du;
        s.squareV += 2 * dv * dv;
        s.absoluteY += std::abs(d0) + std::abs(d1);
        s.absoluteU += 2 * std::abs(du);
        s.absoluteV += 2 * std::abs(dv);
        const int chroma = du * du + dv * dv;
        terms[g] = root[d0 * d0 + chroma] + root[d1 * d1 + chroma];
    }
}

} // namespace

const double* SqrtTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kMaxSquareSum + 1);
        for (int i = 0; i <= kMaxSquareSum; ++i)
            t[i] = std::sqrt(static_cast<double>(i));
        return t;
    }();
    return table.data();
}

RowFn PortableRow() { return PortableRowImpl; }

} // namespace mse

namespace {

constexpr int kChunkRows = 16;
constexpr int kSegmentGroups = 256; // groups per call of the row pass
constexpr int kTermsPerBlock = 16;  // additions carried along per 8 groups evaluated
constexpr long kWorthwhileGroups = 50000;

struct FrameWork {
    mse::RowFn row = nullptr;
    const double* root = nullptr;
    PackedImage original, encoded;
    int groups = 0; // per row
    ChunkRing ring;
    double* terms = nullptr; // per slot, one chunk's rows of `groups` terms
    mse::Sums helperSums;

    double* Row(int y) {
        return terms + (static_cast<size_t>(ring.SlotOf(y)) * ring.unitsPerChunk() + ring.IndexInSlot(y)) * groups;
    }
};

// The calling thread's sum of distances: row after row, group after group.
class OrderedDistances {
public:
    explicit OrderedDistances(FrameWork& work) : w_(work) {}

    bool Done() const { return row_ == w_.ring.units(); }
    bool NextRowReady() const { return w_.ring.Ready(row_); }

    bool AddReadyRow() {
        if (!NextRowReady())
            return false;
        const double* t = w_.Row(row_);
        for (int g = offset_; g < w_.groups; ++g)
            sum += t[g];
        Advance(w_.groups - offset_);
        return true;
    }

    void Prepare(mse::DistanceFeed& feed) {
        feed = {&sum, nullptr, 0, kTermsPerBlock};
        if (NextRowReady()) {
            feed.next = w_.Row(row_) + offset_;
            feed.available = w_.groups - offset_;
        }
        prepared_ = feed.available;
    }
    void Consumed(const mse::DistanceFeed& feed) { Advance(prepared_ - feed.available); }

    double sum = 0;

private:
    void Advance(int n) {
        offset_ += n;
        if (offset_ < w_.groups)
            return;
        offset_ = 0;
        w_.ring.Summed(++row_);
    }

    FrameWork& w_;
    int row_ = 0;
    int offset_ = 0;
    int prepared_ = 0;
};

void EvaluateChunk(FrameWork& w, int chunk, mse::Sums& sums, OrderedDistances* ordered) {
    mse::DistanceFeed feed;
    for (int y = w.ring.FirstUnit(chunk); y < w.ring.EndUnit(chunk); ++y) {
        const uint8_t* a = w.original.data + static_cast<std::ptrdiff_t>(y) * w.original.pitch;
        const uint8_t* b = w.encoded.data + static_cast<std::ptrdiff_t>(y) * w.encoded.pitch;
        double* terms = w.Row(y);
        for (int g = 0; g < w.groups; g += kSegmentGroups) {
            const int n = std::min(kSegmentGroups, w.groups - g);
            if (ordered != nullptr) {
                ordered->Prepare(feed);
                w.row(a + 4 * g, b + 4 * g, n, w.root, sums, terms + g, &feed);
                ordered->Consumed(feed);
            } else {
                w.row(a + 4 * g, b + 4 * g, n, w.root, sums, terms + g, nullptr);
            }
        }
        w.ring.Finished(y);
    }
}

struct Context {
    std::vector<double> terms;
    FrameWork work;
};

Context& ThisThreadsContext() {
    thread_local Context context;
    return context;
}

void HelperTask(void* argument) {
    FrameWork& w = static_cast<Context*>(argument)->work;
    w.helperSums = {};
    w.ring.TakeChunks([&](int chunk) { EvaluateChunk(w, chunk, w.helperSums, nullptr); });
}

} // namespace

PsnrFrameResult MseKernel(const PackedImage& original, const PackedImage& encoded, int height,
                          int64_t pixelCount) {
    if (pixelCount <= 0)
        return {}; // no pixels to average over: every figure 0 rather than 0/0
    const int groups = original.rowSize / 4;
    if (groups <= 0 || height <= 0)
        return {};

    Context& cx = ThisThreadsContext();
    FrameWork& w = cx.work;
    w.row = ActiveKernelPath() == KernelPath::Avx2 ? mse::Avx2Row() : mse::PortableRow();
    w.root = mse::SqrtTable();
    w.original = original;
    w.encoded = encoded;
    w.groups = groups;
    const int chunkRows = std::min(kChunkRows, height);
    const size_t terms = static_cast<size_t>(ChunkRing::kSlots) * chunkRows * groups;
    if (cx.terms.size() < terms)
        cx.terms.resize(terms);
    w.terms = cx.terms.data();
    w.ring.Reset(height, chunkRows);

    HelperThread* helper = UseHelperThread(static_cast<long>(groups) * height, kWorthwhileGroups)
                               ? HelperThread::TryStart(HelperTask, &cx)
                               : nullptr;
    mse::Sums s;
    OrderedDistances distances(w);
    while (!distances.Done()) {
        int chunk = 0;
        if (w.ring.TryClaim(chunk) == ChunkRing::Claim::Chunk)
            EvaluateChunk(w, chunk, s, &distances);
        else if (!distances.AddReadyRow())
            WaitUntil([&] { return distances.NextRowReady(); }); // the helper's row, not finished yet
    }
    if (helper != nullptr) {
        helper->Wait();
        const mse::Sums& h = w.helperSums;
        s.squareY += h.squareY;
        s.squareU += h.squareU;
        s.squareV += h.squareV;
        s.absoluteY += h.absoluteY;
        s.absoluteU += h.absoluteU;
        s.absoluteV += h.absoluteV;
    }

    const double n = static_cast<double>(pixelCount);
    return {static_cast<double>(s.squareY) / n,   static_cast<double>(s.squareU) / n,
            static_cast<double>(s.squareV) / n,   static_cast<double>(s.absoluteY) / n,
            static_cast<double>(s.absoluteU) / n, static_cast<double>(s.absoluteV) / n,
            distances.sum / n};
}

double PsnrFromMse(double mse) { return 20.0 * std::log10(255.0 / std::sqrt(mse)); }

} // namespace bv
