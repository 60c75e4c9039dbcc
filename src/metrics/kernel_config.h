// Which implementation of the metric kernels is chosen when a file's clips are opened
// (kernel_table.h), and on how many threads they run. Every choice gives the same bits; tests
// and the benchmark switch between them, the program keeps the defaults.
#pragma once

namespace bv {

enum class KernelPath {
    Automatic, // AVX2 when the processor has AVX2 and FMA, else Portable
    Portable,  // plain C++, any processor
    Avx2,      // AVX2 and FMA instructions; falls back to Portable where they are missing
};

struct KernelConfig {
    KernelPath path = KernelPath::Automatic;
    // 0: a second thread for large frames when the machine has two cores or more;
    // 1: the calling thread only; 2: a second thread for every frame, whatever its size.
    int threads = 0;
};

void SetKernelConfig(const KernelConfig& config);
KernelConfig GetKernelConfig();

bool Avx2Supported();
// Whether a frame with `work` units gets the helper thread, given the least work for which a
// second thread pays off.
bool UseHelperThread(long work, long worthwhileWork);

// While it lives, frames measured on the constructing thread get no helper thread (the run
// keeps both cores busy with two frames at a time instead).
class NoHelperOnThisThread {
public:
    NoHelperOnThisThread();
    ~NoHelperOnThisThread();
    NoHelperOnThisThread(const NoHelperOnThisThread&) = delete;
    NoHelperOnThisThread& operator=(const NoHelperOnThisThread&) = delete;

private:
    bool before_;
};

} // namespace bv
