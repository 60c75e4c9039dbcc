#include "analysis/run_file_names.h"

#include "analysis/analysis_settings.h"
#include "analysis/time_stamp.h"
#include "i18n/translate.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

namespace {
// Everything up to and including the last "/", or "" for a bare name.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
} // namespace

std::string StorageFolderFor(const std::string& storagePath, const std::string& sourceFile1,
                             const std::string& sourceFile2) {
    std::string folder;
    if (storagePath.empty()) {
        // Source File 1 is found relative to the working directory, and so is its folder.
        folder = FolderOf(sourceFile1);
        if (folder.empty())
            folder = "./";
    } else {
        folder = storagePath;
        if (folder.front() != '/')
            folder = FolderOf(sourceFile2) + folder;
    }
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string BaseNameFor(const std::string& stamp, int index, int count) {
    return stamp + "_" + std::to_string(index + 1) + "of" + std::to_string(count);
}

std::string CsvLogFileName(const std::string& baseName) {
    return "bv_" + baseName + "_log.csv";
}
std::string OverviewFileName(const std::string& stamp) {
    return "bv_" + stamp + "_overview.txt";
}
std::string ResultsFileName(const std::string& stamp) {
    return "bv_" + stamp + "_results.txt";
}

std::string NextStamp(const std::string& stamp) {
    std::tm t{};
    if (stamp.size() != 15 || std::sscanf(stamp.c_str(), "%4d%2d%2d_%2d%2d%2d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                                          &t.tm_hour, &t.tm_min, &t.tm_sec) != 6)
        throw std::invalid_argument("not a time stamp: " + stamp);
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    // Calendar arithmetic on the stamp's own fields: a change of the clock cannot bend it.
    const std::time_t next = timegm(&t) + 1;
    std::tm out{};
    gmtime_r(&next, &out);
    return DateTimeStamp(out);
}

std::string ClaimStamp(const std::string& stamp,
                       const std::function<std::vector<std::string>(const std::string&)>& pathsFor) {
    // A run takes a handful of names; a long row of taken stamps means something else is wrong.
    constexpr int kAttempts = 100000;
    std::string candidate = stamp;
    for (int attempt = 0; attempt < kAttempts; ++attempt, candidate = NextStamp(candidate)) {
        std::vector<std::string> made;
        bool taken = false;
        for (const std::string& path : pathsFor(candidate)) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                const int error = errno;
                for (const std::string& m : made)
                    ::unlink(m.c_str());
                if (error == EEXIST) {
                    taken = true;
                    break;
                }
                throw std::runtime_error("Cannot create file \"" + path + "\": " + std::strerror(error));
            }
            ::close(fd);
            made.push_back(path);
        }
        if (!taken)
            return candidate;
    }
    throw std::runtime_error("Cannot create file \"" + pathsFor(stamp).front() + "\": " + std::strerror(EEXIST));
}

std::string CheckStorageFolders(const AnalysisSettings& settings) {
    if (!settings.ExtendedLog && !settings.StandardLog && !settings.JsonLog)
        return "";
    std::vector<std::string> folders;
    for (const std::string& source2 : settings.SourceFiles2) {
        const std::string folder = StorageFolderFor(settings.StoragePath, settings.SourceFile1, source2);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    for (const std::string& folder : folders) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Translate("The folder for the logs does not exist:") + " " + folder;
        if (::access(folder.c_str(), W_OK | X_OK) != 0)
            return Translate("The folder for the logs cannot be written:") + " " + folder + " (" +
                   std::strerror(errno) + ")";
    }
    return "";
}

} // namespace bv
