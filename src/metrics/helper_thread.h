// A second thread that works beside the calling thread on one frame. Each calling thread gets its
// own helper on first use: created by the caller, it inherits the caller's scheduling policy (a run
// at idle priority keeps its helper at idle priority) and it ends when the caller's thread ends.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace bv {

// One pause of a busy-wait loop.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Waits until ready() holds: the other thread is usually microseconds away, so spin first and
// only then give the core away.
template <class Ready>
void WaitUntil(Ready ready) {
    for (int i = 0; i < 4000; ++i) {
        if (ready())
            return;
        CpuRelax();
    }
    while (!ready())
        std::this_thread::yield();
}

class HelperThread {
public:
    HelperThread();
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs task(argument) on the helper; the caller must Wait() before the next Start().
    void Start(void (*task)(void*), void* argument);
    void Wait();

    // Work follows shortly: wakes the helper now (waking a sleeping thread can take a good part
    // of a millisecond) and keeps it waiting busily for a task for at most `busyFor` from now.
    void Prime(std::chrono::nanoseconds busyFor);

    static HelperThread& ForThisThread();
    // Starts task(argument) on this thread's helper; nullptr when no thread can be had, and the
    // caller does all the work itself.
    static HelperThread* TryStart(void (*task)(void*), void* argument);

private:
    void Loop();
    bool Primed() const;

    std::atomic<uint32_t> posted_{0};
    std::atomic<uint32_t> finished_{0};
    std::atomic<uint32_t> signals_{0}; // every Start and Prime, to wake the helper
    std::atomic<int64_t> primedUntil_{0};
    void (*task_)(void*) = nullptr;
    void* argument_ = nullptr;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace bv
