#include "analysis/run_file_names.h"

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

} // namespace bv
