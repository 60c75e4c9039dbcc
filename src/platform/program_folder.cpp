#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace bv {

namespace fs = std::filesystem;

const std::string& ProgramFolder() {
    static const std::string folder = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        std::string dir = ec ? std::string(".") : exe.parent_path().string();
        if (dir.empty() || dir.back() != '/')
            dir += '/';
        return dir;
    }();
    return folder;
}

ProgramFiles ProgramFilesOf(const std::string& programFolder) {
    std::error_code ec;
    const fs::path prefix = (fs::path(programFolder) / "..").lexically_normal();
    const fs::path share = prefix / "share";
    if (!fs::exists(programFolder + "Templates", ec) && fs::is_directory(share / "brevanta", ec)) {
        return {true, (prefix / "lib/brevanta/").string(), (share / "brevanta/Templates").string(),
                (share / "locale/").string(), "brevanta.mo"};
    }
    return {false, programFolder, programFolder + "Templates", programFolder + "locale/", "default.mo"};
}

const ProgramFiles& ProgramFilesHere() {
    static const ProgramFiles files = ProgramFilesOf(ProgramFolder());
    return files;
}

std::string GeneratedFilesFolder() {
    const std::string& program = ProgramFolder();
    if (!ProgramFilesHere().installed && access(program.c_str(), W_OK) == 0)
        return program;
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/')
        cache = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        cache = std::string(home) + "/.cache";
    else
        cache = "/tmp";
    cache += "/brevanta/";
    std::error_code ec;
    fs::create_directories(cache, ec);
    return cache;
}

} // namespace bv
