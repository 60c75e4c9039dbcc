// The AviSynth library, loaded at run time, and its function table.
#pragma once

#include <string>

#include "avs_abi/avs_c_abi.h"

namespace bv {

// File name of our own frame server: in the program folder, or in P/lib/brevanta/ once installed.
inline constexpr const char* kBuiltinLibraryName = "libbrevanta_avs.so";

// The functions Brevanta calls, filled by dlsym. Optional entries may be null.
struct AvsFunctionTable {
    avs::CreateScriptEnvironmentFn create_script_environment = nullptr;
    avs::DeleteScriptEnvironmentFn delete_script_environment = nullptr; // optional
    avs::InvokeFn invoke = nullptr;
    avs::FunctionExistsFn function_exists = nullptr;
    avs::TakeClipFn take_clip = nullptr;
    avs::ReleaseValueFn release_value = nullptr;
    avs::ReleaseClipFn release_clip = nullptr;
    avs::GetVideoInfoFn get_video_info = nullptr;
    avs::GetFrameFn get_frame = nullptr;
    avs::ClipGetErrorFn clip_get_error = nullptr; // optional
    avs::ReleaseVideoFrameFn release_video_frame = nullptr;
    avs::GetReadPtrPFn get_read_ptr_p = nullptr;
    avs::GetPitchPFn get_pitch_p = nullptr;
    avs::GetRowSizePFn get_row_size_p = nullptr;
    avs::GetHeightPFn get_height_p = nullptr;
    avs::GetErrorFn get_error = nullptr; // optional
};

// One loaded library. The choice: $BREVANTA_AVISYNTH (a path, or "builtin"), else the
// system's libavisynth.so, else our frame server (ProgramFilesHere().libraryFolder).
class AvsLibrary {
public:
    // Loads the library once per process; later calls return the same one.
    // Throws EAviSynthCException when no usable library is found.
    static const AvsLibrary& Load();

    const AvsFunctionTable& functions() const { return functions_; }
    const std::string& path() const { return path_; }
    bool isBuiltin() const { return builtin_; }
    // A line for the About box and `brevanta-cli`: which frame server is in use.
    std::string Description() const;

private:
    AvsLibrary() = default;
    static AvsLibrary LoadFrom(void* handle, const std::string& path, bool builtin);

    AvsFunctionTable functions_;
    std::string path_;
    bool builtin_ = false;
};

} // namespace bv
