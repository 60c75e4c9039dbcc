// Shares the units of one frame (the SSIM kernel's bands) between the calling thread and its
// helper while the calling thread adds their results up in frame order.
//
// Units are grouped into chunks of consecutive units; either thread takes the next chunk when its
// buffer slot is free and evaluates it unit by unit into that slot. Chunk c uses slot
// c % kSlots, so it is handed out only once the chunk kSlots before it has been added up. Taking
// chunks as they come keeps both threads busy whatever their speed, and lets the calling thread
// go on alone when the helper does not get a processor.
//
// The calling thread's additions cannot pass a chunk it is still evaluating itself, so while
// finished units are waiting to be added it only takes chunks well ahead of the additions
// (kCallerLead) and leaves the near ones to the helper.
#pragma once

#include <algorithm>
#include <atomic>

#include "metrics/helper_thread.h"

namespace bv {

class ChunkRing {
public:
    static constexpr int kSlots = 4;
    static constexpr int kCallerLead = 2;

    void Reset(int units, int unitsPerChunk) {
        units_ = units;
        perChunk_ = unitsPerChunk;
        chunks_ = (units + unitsPerChunk - 1) / unitsPerChunk;
        for (Slot& s : slots_)
            s.finished.store(0, std::memory_order_relaxed);
        next_.store(0, std::memory_order_relaxed);
        summed_.store(0, std::memory_order_relaxed);
    }

    int units() const { return units_; }
    int unitsPerChunk() const { return perChunk_; }
    int FirstUnit(int chunk) const { return chunk * perChunk_; }
    int EndUnit(int chunk) const { return std::min(units_, (chunk + 1) * perChunk_); }
    int SlotOf(int unit) const { return unit / perChunk_ % kSlots; }
    int IndexInSlot(int unit) const { return unit % perChunk_; }

    enum class Claim { Chunk, RingFull, NoneLeft };
    // Takes the next chunk if its slot is free and it lies at least `ahead` chunks past the
    // first chunk not yet added up (RingFull otherwise).
    Claim TryClaim(int& chunk, int ahead = 0) {
        int c = next_.load(std::memory_order_relaxed);
        for (;;) {
            if (c >= chunks_)
                return Claim::NoneLeft;
            const int summed = summed_.load(std::memory_order_acquire);
            if (c >= summed + kSlots || c < summed + ahead)
                return Claim::RingFull;
            if (next_.compare_exchange_weak(c, c + 1, std::memory_order_relaxed)) {
                chunk = c;
                return Claim::Chunk;
            }
        }
    }

    // The helper's loop: runs evaluate(chunk) for every chunk it can take.
    template <class Evaluate>
    void TakeChunks(Evaluate evaluate) {
        for (;;) {
            int chunk = 0;
            switch (TryClaim(chunk)) {
            case Claim::NoneLeft:
                return;
            case Claim::RingFull:
                // Wait on the state itself, not on a change of it: the calling thread may add up
                // the last chunk between the claim above and this wait.
                WaitUntil([&] {
                    const int c = next_.load(std::memory_order_acquire);
                    return c >= chunks_ || c < summed_.load(std::memory_order_acquire) + kSlots;
                });
                break;
            case Claim::Chunk:
                evaluate(chunk);
                break;
            }
        }
    }

    // The evaluating thread publishes a finished unit (after writing its results to the slot).
    void Finished(int unit) { slots_[SlotOf(unit)].finished.store(unit + 1, std::memory_order_release); }
    bool Ready(int unit) const {
        return unit < units_ && slots_[SlotOf(unit)].finished.load(std::memory_order_acquire) > unit;
    }
    // The calling thread has added up units 0 .. units-1; frees the slots of whole chunks.
    void Summed(int units) {
        if (units % perChunk_ == 0 || units == units_)
            summed_.store((units + perChunk_ - 1) / perChunk_, std::memory_order_release);
    }

private:
    struct Slot {
        // 1 + the number of the last unit finished in this slot; a slot holds chunks s, s + kSlots,
        // ... in turn, so the count only grows within a frame.
        alignas(64) std::atomic<int> finished{0};
    };
    Slot slots_[kSlots];
    int units_ = 0, perChunk_ = 1, chunks_ = 0;
    alignas(64) std::atomic<int> next_{0};
    alignas(64) std::atomic<int> summed_{0};
};

} // namespace bv
