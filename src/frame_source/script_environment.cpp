#include "frame_source/script_environment.h"

#include "frame_source/avs_error.h"

namespace bv {

ScriptEnvironment::ScriptEnvironment()
    : library_(&AvsLibrary::Load()), handle_(api().create_script_environment(kInterfaceVersion)) {
    if (handle_ == nullptr)
        throw EAviSynthCException("AviSynth could not create a script environment (" +
                                  library_->Description() + ")");
}

ScriptEnvironment::~ScriptEnvironment() {
    if (api().delete_script_environment != nullptr)
        api().delete_script_environment(handle_);
}

} // namespace bv
