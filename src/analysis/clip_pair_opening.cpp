#include "analysis/clip_pair_opening.h"

#include "analysis/template_script.h"
#include "metrics/kernel_config.h"

#include <exception>
#include <thread>

namespace bv {

namespace {
AvsClip Open(ScriptEnvironment& environment, const ClipRequest& r) {
    return OpenSourceClip(environment, r.sourcePath, r.templateLines, r.scriptName, false, r.templateName);
}
} // namespace

void OpenClipPair(ScriptEnvironment& environment, std::unique_ptr<ScriptEnvironment>& firstEnvironment,
                  const ClipRequest& first, const ClipRequest& second, AvsClip& clip1, AvsClip& clip2) {
    // AviSynth+ lets one thread in at a time; one core, or one thread asked for, gains nothing.
    if (!environment.library().isBuiltin() || GetKernelConfig().threads != 0 ||
        std::thread::hardware_concurrency() < 2) {
        clip1 = Open(environment, first);
        clip2 = Open(environment, second);
        return;
    }
    if (firstEnvironment == nullptr)
        firstEnvironment = std::make_unique<ScriptEnvironment>();
    std::exception_ptr firstError, secondError;
    // Started by the run's thread, so it runs at the run's priority.
    std::thread opener([&] {
        try {
            clip1 = Open(*firstEnvironment, first);
        } catch (...) {
            firstError = std::current_exception();
        }
    });
    try {
        clip2 = Open(environment, second);
    } catch (...) {
        secondError = std::current_exception();
    }
    opener.join();
    if (firstError != nullptr)
        std::rethrow_exception(firstError);
    if (secondError != nullptr)
        std::rethrow_exception(secondError);
}

} // namespace bv
