#include "avs_builtin/ffms_index.h"

#include "avs_builtin/frame_hash.h"
#include "avs_builtin/script_error.h"

#include <atomic>
#include <cstdlib>
#include <ffms.h>
#include <filesystem>
#include <mutex>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv::builtin {

namespace fs = std::filesystem;

void EnsureFfmsInitialised() {
    static std::once_flag once;
    std::call_once(once, [] {
        FFMS_Init(0, 0);
        FFMS_SetLogLevel(FFMS_LOG_QUIET);
    });
}

std::string FfmsIndexCacheFolder() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        base = std::string(home) + "/.cache";
    else
        return "";
    return base + "/brevanta/ffindex";
}

namespace {

struct ErrorBuffer {
    char text[1024] = {};
    FFMS_ErrorInfo info{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, sizeof text, text};
};

// One cache file per video, named after its absolute path, size and modification time.
std::string CacheFileFor(const std::string& path, const std::string& folder) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    struct stat st {};
    if (ec || ::stat(path.c_str(), &st) != 0)
        return "";
    const std::string key = absolute.string() + '\0' + std::to_string(st.st_size) + '\0' +
                            std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
    FrameHasher hasher;
    hasher.Add(reinterpret_cast<const uint8_t*>(key.data()), key.size());
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.ffindex", static_cast<unsigned long long>(hasher.Digest()));
    return folder + "/" + name;
}

FfmsIndexPtr Wrap(FFMS_Index* index) {
    return FfmsIndexPtr(index, FFMS_DestroyIndex);
}

FfmsIndexPtr ReadCached(const std::string& cacheFile, const std::string& path) {
    ErrorBuffer e;
    FfmsIndexPtr index = Wrap(FFMS_ReadIndex(cacheFile.c_str(), &e.info));
    if (!index || FFMS_IndexBelongsToFile(index.get(), path.c_str(), &e.info) != 0)
        return nullptr;
    return index;
}

void WriteCached(FFMS_Index* index, const std::string& cacheFile) {
    std::error_code ec;
    fs::create_directories(fs::path(cacheFile).parent_path(), ec);
    if (ec)
        return;
    // Written under a private name and renamed, so a reader never sees half an index. Two
    // threads may index the same file at once (a file compared with itself).
    static std::atomic<unsigned> writes{0};
    const std::string temporary =
        cacheFile + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(writes.fetch_add(1));
    ErrorBuffer e;
    if (FFMS_WriteIndex(temporary.c_str(), index, &e.info) == 0 &&
        ::rename(temporary.c_str(), cacheFile.c_str()) == 0)
        return;
    ::unlink(temporary.c_str());
}

} // namespace

FfmsIndexPtr LoadFfmsIndex(const std::string& path, bool useCache, const std::string& who) {
    EnsureFfmsInitialised();
    const std::string folder = useCache ? FfmsIndexCacheFolder() : "";
    const std::string cacheFile = folder.empty() ? "" : CacheFileFor(path, folder);
    if (!cacheFile.empty())
        if (FfmsIndexPtr cached = ReadCached(cacheFile, path))
            return cached;

    ErrorBuffer e;
    FFMS_Indexer* indexer = FFMS_CreateIndexer(path.c_str(), &e.info);
    if (indexer == nullptr)
        throw ScriptError(who + ": " + e.text);
    FfmsIndexPtr index = Wrap(FFMS_DoIndexing2(indexer, FFMS_IEH_ABORT, &e.info)); // frees the indexer
    if (!index)
        throw ScriptError(who + ": " + e.text);
    if (!cacheFile.empty())
        WriteCached(index.get(), cacheFile);
    return index;
}

} // namespace bv::builtin
