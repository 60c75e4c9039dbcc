#include "metrics/kernel_config.h"

#include <atomic>
#include <thread>

namespace bv {
namespace {

std::atomic<KernelPath> configuredPath{KernelPath::Automatic};
std::atomic<int> configuredThreads{0};
thread_local bool helperBarred = false;

} // namespace

void SetKernelConfig(const KernelConfig& config) {
    configuredPath.store(config.path, std::memory_order_relaxed);
    configuredThreads.store(config.threads, std::memory_order_relaxed);
}

KernelConfig GetKernelConfig() {
    return {configuredPath.load(std::memory_order_relaxed),
            configuredThreads.load(std::memory_order_relaxed)};
}

bool Avx2Supported() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool supported = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return supported;
#else
    return false;
#endif
}

NoHelperOnThisThread::NoHelperOnThisThread() : before_(helperBarred) {
    helperBarred = true;
}

NoHelperOnThisThread::~NoHelperOnThisThread() {
    helperBarred = before_;
}

bool UseHelperThread(long work, long worthwhileWork) {
    if (helperBarred)
        return false;
    switch (configuredThreads.load(std::memory_order_relaxed)) {
    case 1:
        return false;
    case 2:
        return true;
    default:
        return work >= worthwhileWork && std::thread::hardware_concurrency() >= 2;
    }
}

} // namespace bv
