// For tests: what the loaded stand-in AviSynth library offers beside AviSynth's functions.
#pragma once

#include "frame_source/avs_library.h"
#include "support/stand_in_counters.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace bv::standin {

// The function `name` of the library BREVANTA_AVISYNTH names, which the frame source has loaded.
template <typename Fn>
Fn LoadedFunction(const char* name) {
    void* library = dlopen(AvsLibrary::Load().path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto fn = library != nullptr ? reinterpret_cast<Fn>(dlsym(library, name)) : nullptr;
    if (fn == nullptr) {
        std::fprintf(stderr, "the stand-in AviSynth is not loaded or lacks %s\n", name);
        std::abort();
    }
    return fn;
}

inline Counters& LoadedCounters() {
    return *LoadedFunction<Counters* (*)()>("stand_in_counters")();
}

} // namespace bv::standin
