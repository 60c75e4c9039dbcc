#include "metrics/helper_thread.h"

#include <system_error>

namespace bv {
namespace {

// After a task the helper stays awake a little: the next one often follows at once.
constexpr int kIdleSpins = 2000;

int64_t Now() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

} // namespace

HelperThread::HelperThread() : thread_([this] { Loop(); }) {}

HelperThread::~HelperThread() {
    stop_ = true;
    posted_.fetch_add(1, std::memory_order_release);
    signals_.fetch_add(1, std::memory_order_release);
    signals_.notify_one();
    thread_.join();
}

void HelperThread::Start(void (*task)(void*), void* argument) {
    task_ = task;
    argument_ = argument;
    posted_.fetch_add(1, std::memory_order_release);
    signals_.fetch_add(1, std::memory_order_release);
    signals_.notify_one();
}

void HelperThread::Prime(std::chrono::nanoseconds busyFor) {
    primedUntil_.store(Now() +
                           std::chrono::duration_cast<std::chrono::steady_clock::duration>(busyFor).count(),
                       std::memory_order_relaxed);
    signals_.fetch_add(1, std::memory_order_release);
    signals_.notify_one();
}

bool HelperThread::Primed() const { return Now() < primedUntil_.load(std::memory_order_relaxed); }

void HelperThread::Wait() {
    const uint32_t target = posted_.load(std::memory_order_relaxed);
    for (int i = 0; i < kIdleSpins; ++i) {
        if (finished_.load(std::memory_order_acquire) == target)
            return;
        CpuRelax();
    }
    for (uint32_t seen; (seen = finished_.load(std::memory_order_acquire)) != target;)
        finished_.wait(seen, std::memory_order_acquire);
}

void HelperThread::Loop() {
    uint32_t done = 0;
    for (;;) {
        uint32_t posted;
        for (int spins = 0; (posted = posted_.load(std::memory_order_acquire)) == done; ++spins) {
            if (spins < kIdleSpins || (spins % 64 != 0 || Primed())) {
                CpuRelax();
                continue;
            }
            const uint32_t signals = signals_.load(std::memory_order_acquire);
            if (posted_.load(std::memory_order_acquire) != done || Primed())
                continue;
            signals_.wait(signals, std::memory_order_acquire); // until the next Start or Prime
            spins = 0;
        }
        done = posted;
        if (stop_)
            return;
        task_(argument_);
        finished_.store(done, std::memory_order_release);
        finished_.notify_one();
    }
}

HelperThread& HelperThread::ForThisThread() {
    thread_local HelperThread helper;
    return helper;
}

HelperThread* HelperThread::TryStart(void (*task)(void*), void* argument) {
    try {
        HelperThread& helper = ForThisThread();
        helper.Start(task, argument);
        return &helper;
    } catch (const std::system_error&) {
        return nullptr;
    }
}

} // namespace bv
