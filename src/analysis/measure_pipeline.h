// The metrics of a run on two threads of their own, each measuring whole pairs: on two cores the
// metrics of two frames overlap with each other and with the reader, where one frame split
// between two threads would keep them waiting for each other whenever the reader needs a core.
// The run's thread fills the pipeline's slots from its FramePairSource and takes the results in
// frame order. The threads are created by the run's thread and inherit its scheduling policy
// (idle priority included).
#pragma once

#include "frame_source/frame_pair_source.h"
#include "metrics/frame_metrics.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace bv {

class MeasurePipeline {
public:
    // Pairs handed over and not yet taken back, at most.
    static constexpr int kSlots = 3;

    explicit MeasurePipeline(const PairMeasure& measure);
    // Waits for the pairs being measured, then ends the threads.
    ~MeasurePipeline();
    MeasurePipeline(const MeasurePipeline&) = delete;
    MeasurePipeline& operator=(const MeasurePipeline&) = delete;

    bool Full() const { return count_ == kSlots; }
    bool Empty() const { return count_ == 0; }
    // The slot to fill next (its last pair was taken back); Submit() hands it over.
    FramePair& FreeSlot() { return slots_[(first_ + count_) % kSlots].pair; }
    void Submit();
    // The oldest pair handed over, once measured, and its results; rethrows what measuring it
    // threw. The pair stays in its slot until Pop().
    const FramePair& Oldest(PairResults& results);
    void Pop();

private:
    struct Slot {
        FramePair pair;
        PairResults results;
        std::exception_ptr error;
        bool done = false;
    };
    void Work();

    const PairMeasure& measure_;
    Slot slots_[kSlots];
    int first_ = 0; // the oldest slot in use
    int count_ = 0; // slots in use (touched by the run's thread only)
    std::mutex mutex_;
    std::condition_variable changed_;
    int queued_ = 0; // slots handed over and not yet claimed by a thread
    int claimNext_ = 0;
    int working_ = 0;
    bool quit_ = false;
    std::thread threads_[2];
};

} // namespace bv
