#include "platform/thread_priority.h"

#include <cstring>
#include <pthread.h>
#include <sched.h>

namespace bv {

std::string SetCurrentThreadIdlePriority() {
    sched_param param{};
    param.sched_priority = 0;
    // On Linux the pthread call changes only this thread, unlike sched_setscheduler's POSIX meaning.
    if (const int error = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param); error != 0)
        return std::strerror(error);
    return "";
}

int CurrentThreadPolicy() {
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0)
        return -1;
    return policy;
}

} // namespace bv
