// FFMS2 indexes of video files, kept in memory or in the per-user cache folder
// ($XDG_CACHE_HOME/brevanta/ffindex, else ~/.cache/brevanta/ffindex). Nothing is ever
// written beside the user's videos.
#pragma once

#include <memory>
#include <string>

struct FFMS_Index;

namespace bv::builtin {

using FfmsIndexPtr = std::shared_ptr<FFMS_Index>;

// Initialises FFMS2 once per process (quietly: its log would go to the host's stderr).
void EnsureFfmsInitialised();

// The index of `path`: from the cache folder when `useCache` and a matching index is there,
// else made now (and stored there when `useCache`). Throws ScriptError "<who>: <FFMS2's text>".
FfmsIndexPtr LoadFfmsIndex(const std::string& path, bool useCache, const std::string& who);

// The folder the cache uses, or "" when no home or cache folder is known.
std::string FfmsIndexCacheFolder();

} // namespace bv::builtin
