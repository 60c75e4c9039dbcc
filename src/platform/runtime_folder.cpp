#include "platform/runtime_folder.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

void EnsureRuntimeFolder() {
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr)
        return;
    const std::string runtime = "/tmp/runtime-" + std::to_string(::getuid());
    ::mkdir(runtime.c_str(), 0700);
    struct stat info {};
    // Only a folder that is ours and private, as Qt itself requires.
    if (::lstat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 0777) == 0700)
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
}

} // namespace bv
