// The one AviSynth script environment of a program run.
#pragma once

#include "frame_source/avs_library.h"

namespace bv {

class ScriptEnvironment {
public:
    // The interface version Brevanta asks for; every library since 2.5 accepts it.
    static constexpr int kInterfaceVersion = 2;

    // Loads the library (see AvsLibrary) and creates the environment.
    // Throws EAviSynthCException when either fails.
    ScriptEnvironment();
    ~ScriptEnvironment();
    ScriptEnvironment(const ScriptEnvironment&) = delete;
    ScriptEnvironment& operator=(const ScriptEnvironment&) = delete;

    const AvsLibrary& library() const { return *library_; }
    const AvsFunctionTable& api() const { return library_->functions(); }
    AVS_ScriptEnvironment* handle() const { return handle_; }

private:
    const AvsLibrary* library_;
    AVS_ScriptEnvironment* handle_;
};

} // namespace bv
