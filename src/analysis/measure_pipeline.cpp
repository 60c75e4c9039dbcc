#include "analysis/measure_pipeline.h"

#include "metrics/kernel_config.h"

namespace bv {

MeasurePipeline::MeasurePipeline(const PairMeasure& measure) : measure_(measure) {
    for (std::thread& t : threads_)
        t = std::thread([this] { Work(); });
}

MeasurePipeline::~MeasurePipeline() {
    {
        std::unique_lock lock(mutex_);
        quit_ = true;
        queued_ = 0; // pairs not yet begun are dropped
        changed_.wait(lock, [this] { return working_ == 0; });
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void MeasurePipeline::Submit() {
    {
        std::lock_guard lock(mutex_);
        Slot& s = slots_[(first_ + count_) % kSlots];
        s.done = false;
        s.error = nullptr;
        ++queued_;
    }
    ++count_;
    changed_.notify_all();
}

const FramePair& MeasurePipeline::Oldest(PairResults& results) {
    Slot& s = slots_[first_];
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&s] { return s.done; });
    if (s.error)
        std::rethrow_exception(s.error);
    results = s.results;
    return s.pair;
}

void MeasurePipeline::Pop() {
    first_ = (first_ + 1) % kSlots;
    --count_;
}

void MeasurePipeline::Work() {
    const NoHelperOnThisThread alone;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || queued_ > 0; });
        if (quit_)
            return;
        Slot& s = slots_[claimNext_];
        claimNext_ = (claimNext_ + 1) % kSlots;
        --queued_;
        ++working_;
        lock.unlock();
        PairResults results;
        std::exception_ptr error;
        try {
            results = measure_.Measure(s.pair.original, s.pair.encoded);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        s.results = results;
        s.error = error;
        s.done = true;
        --working_;
        changed_.notify_all();
    }
}

} // namespace bv
