#include "platform/memory_tuning.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace bv {

namespace {
constexpr const char* kHugePageTunable = "glibc.malloc.hugetlb";

// Whether the kernel gives transparent huge pages only to memory that asks for them
// ("always" needs no asking, "never" gives none).
bool HugePagesOnRequest() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return text.find("[madvise]") != std::string::npos;
}

// A run's first frames touch a few hundred megabytes for the first time (the decoders' pools,
// the frames in flight), and with 4 KiB pages every page is a fault: on a virtual machine that
// costs more than the decoding. glibc asks for huge pages for its heap when GLIBC_TUNABLES says
// so at start-up, which a running process can no longer change: so the program starts itself
// again, once, with the setting added (same process, same arguments and streams).
void UseHugePageHeap(char** argv) {
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = TunablesWithHugePageHeap(current);
    if (tunables.empty() || argv == nullptr || !HugePagesOnRequest())
        return;
    // Under valgrind the program's image is valgrind's own: starting it again would leave it.
    if (const char* preload = std::getenv("LD_PRELOAD"); preload != nullptr && std::strstr(preload, "vgpreload"))
        return;
    // The program's own path, not /proc/self/exe: the process is named after the file it runs
    // (in ps, top, pgrep). A program file replaced since the start reads "... (deleted)".
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return;
    self[length] = '\0';
    if (::access(self, X_OK) != 0)
        return;
    const std::string previous = current != nullptr ? current : "";
    if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0)
        return;
    ::execv(self, argv);
    // Not started again: go on with ordinary pages and leave the environment as it was.
    if (current != nullptr)
        ::setenv("GLIBC_TUNABLES", previous.c_str(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
}
} // namespace

std::string TunablesWithHugePageHeap(const char* current) {
    const std::string tunables = current != nullptr ? current : "";
    if (tunables.find(kHugePageTunable) != std::string::npos)
        return "";
    return tunables + (tunables.empty() ? "" : ":") + kHugePageTunable + "=1";
}

void KeepFrameMemory(char** argv) {
    UseHugePageHeap(argv);
    // glibc maps every block above its mmap threshold on its own and unmaps it when freed. The
    // threshold rises by itself only after such a block is freed, which a pool of frames never
    // does, so decoders' packets of a raw 1080p or 4K frame would stay mapped one by one. The
    // largest threshold glibc takes (32 MiB) holds a 4K frame; the heap's top is handed back
    // only when this much of it is free.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // The threads of a run (reader, decoders, metrics) would each get an arena of their own,
    // made of 64 MiB heaps that are unmapped whenever they run empty: with 4K frames that is
    // every few frames, and each block is faulted in afresh. One arena for all keeps them.
    mallopt(M_ARENA_MAX, 1);
}

} // namespace bv
