// A gate the run waits at while its front end asks the user something that may end it
// ("Stop", quitting): before the next frame, before the end steps and before the shutdown.
#pragma once

#include <condition_variable>
#include <mutex>

namespace bv {

class RunHold {
public:
    // Closes the gate: the run stops at the next place it waits.
    void Hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    // Opens the gate again; a waiting run goes on.
    void Release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }
    bool IsHeld() const {
        std::lock_guard lock(mutex_);
        return held_;
    }
    // True while the run stands at the closed gate.
    bool IsWaiting() const {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    // Returns at once while the gate is open; otherwise once it opens.
    void WaitWhileHeld() {
        std::unique_lock lock(mutex_);
        waiting_ = held_;
        released_.wait(lock, [this] { return !held_; });
        waiting_ = false;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    bool waiting_ = false;
};

} // namespace bv
