#include "frame_source/avs_library.h"

#include <cstdlib>
#include <dlfcn.h>
#include <link.h>
#include <mutex>
#include <optional>

#include "frame_source/avs_error.h"
#include "platform/program_folder.h"

namespace bv {

namespace {

std::string LastDlError() {
    const char* e = dlerror();
    return e != nullptr ? e : "unknown error";
}

std::string RealPathOf(void* handle, const std::string& fallback) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        map->l_name[0] != '\0')
        return map->l_name;
    return fallback;
}

template <typename Fn>
void Resolve(void* handle, const char* name, Fn& slot, bool required, std::string& missing) {
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
    if (slot == nullptr && required) {
        if (!missing.empty())
            missing += ", ";
        missing += name;
    }
}

} // namespace

AvsLibrary AvsLibrary::LoadFrom(void* handle, const std::string& path, bool builtin) {
    AvsLibrary lib;
    lib.path_ = RealPathOf(handle, path);
    lib.builtin_ = builtin;
    std::string missing;
    AvsFunctionTable& f = lib.functions_;
    Resolve(handle, "avs_create_script_environment", f.create_script_environment, true, missing);
    Resolve(handle, "avs_delete_script_environment", f.delete_script_environment, false, missing);
    Resolve(handle, "avs_invoke", f.invoke, true, missing);
    Resolve(handle, "avs_function_exists", f.function_exists, true, missing);
    Resolve(handle, "avs_take_clip", f.take_clip, true, missing);
    Resolve(handle, "avs_release_value", f.release_value, true, missing);
    Resolve(handle, "avs_release_clip", f.release_clip, true, missing);
    Resolve(handle, "avs_get_video_info", f.get_video_info, true, missing);
    Resolve(handle, "avs_get_frame", f.get_frame, true, missing);
    Resolve(handle, "avs_clip_get_error", f.clip_get_error, false, missing);
    Resolve(handle, "avs_release_video_frame", f.release_video_frame, true, missing);
    Resolve(handle, "avs_get_read_ptr_p", f.get_read_ptr_p, true, missing);
    Resolve(handle, "avs_get_pitch_p", f.get_pitch_p, true, missing);
    Resolve(handle, "avs_get_row_size_p", f.get_row_size_p, true, missing);
    Resolve(handle, "avs_get_height_p", f.get_height_p, true, missing);
    Resolve(handle, "avs_get_error", f.get_error, false, missing);
    if (!missing.empty())
        throw EAviSynthCException("The AviSynth library " + lib.path_ +
                                  " lacks functions Brevanta needs: " + missing);
    return lib;
}

const AvsLibrary& AvsLibrary::Load() {
    static std::mutex mutex;
    static std::optional<AvsLibrary> loaded;
    std::lock_guard lock(mutex);
    if (loaded)
        return *loaded;

    const int flags = RTLD_NOW | RTLD_LOCAL;
    const std::string builtinPath = ProgramFilesHere().libraryFolder + kBuiltinLibraryName;
    const char* chosen = std::getenv("BREVANTA_AVISYNTH");
    if (chosen != nullptr && *chosen != '\0') {
        const bool builtin = std::string(chosen) == "builtin";
        const std::string path = builtin ? builtinPath : std::string(chosen);
        void* handle = dlopen(path.c_str(), flags);
        if (handle == nullptr)
            throw EAviSynthCException("Cannot load the AviSynth library named by BREVANTA_AVISYNTH (" +
                                      path + "): " + LastDlError());
        loaded = LoadFrom(handle, path, builtin);
        return *loaded;
    }
    if (void* handle = dlopen("libavisynth.so", flags); handle != nullptr) {
        loaded = LoadFrom(handle, "libavisynth.so", false);
        return *loaded;
    }
    void* handle = dlopen(builtinPath.c_str(), flags);
    if (handle == nullptr)
        throw EAviSynthCException("No AviSynth library found: neither libavisynth.so nor " + builtinPath +
                                  " could be loaded (" + LastDlError() + ")");
    loaded = LoadFrom(handle, builtinPath, true);
    return *loaded;
}

std::string AvsLibrary::Description() const {
    if (builtin_)
        return "Brevanta built-in frame server (" + path_ + ")";
    return "AviSynth (" + path_ + ")";
}

} // namespace bv
