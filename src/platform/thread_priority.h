// Idle scheduling for the calling thread. An unprivileged thread that lowers itself can never
// return to normal, so only a thread that ends with the work (the run thread) lowers itself;
// threads it creates afterwards inherit the policy, threads that exist keep theirs.
#pragma once

#include <string>

namespace bv {

// Puts the calling thread at SCHED_IDLE. Returns "" or the system's reason for refusing.
std::string SetCurrentThreadIdlePriority();

// The scheduling policy of the calling thread (SCHED_OTHER, SCHED_IDLE, ...).
int CurrentThreadPolicy();

} // namespace bv
