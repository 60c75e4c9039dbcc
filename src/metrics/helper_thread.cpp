#include "metrics/helper_thread.h"

#include <system_error>

namespace bv {
namespace {

// Frames follow each other closely in a run, so a helper that has just finished stays awake
// a little before it sleeps.
constexpr int kIdleSpins = 2000;

} // namespace

HelperThread::HelperThread() : thread_([this] { Loop(); }) {}

HelperThread::~HelperThread() {
    stop_ = true;
    posted_.fetch_add(1, std::memory_order_release);
    posted_.notify_one();
    thread_.join();
}

void HelperThread::Start(void (*task)(void*), void* argument) {
    task_ = task;
    argument_ = argument;
    posted_.fetch_add(1, std::memory_order_release);
    posted_.notify_one();
}

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
        uint32_t posted = posted_.load(std::memory_order_acquire);
        for (int i = 0; posted == done && i < kIdleSpins; ++i) {
            CpuRelax();
            posted = posted_.load(std::memory_order_acquire);
        }
        while (posted == done) {
            posted_.wait(done, std::memory_order_acquire);
            posted = posted_.load(std::memory_order_acquire);
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
