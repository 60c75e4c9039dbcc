// Opening the two clips of a pair. Opening reads and decodes the first frames of a file (an
// H.264 decoder takes in up to 16 before it hands out one), which at HD sizes takes a good part
// of a second. The built-in frame server lets any number of threads in, so there the original
// opens on a second thread, in an environment of its own, while the encode opens on this one.
// AviSynth+ lets one thread at a time into the library: there they open one after the other.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"

namespace bv {

// One clip to open, as OpenSourceClip takes it.
struct ClipRequest {
    const std::string& sourcePath;
    const std::vector<std::string>& templateLines;
    const char* scriptName;
    std::string templateName;
};

// Opens `first` into clip1 and `second` into clip2. `firstEnvironment` is made when the two open
// at once and must outlive clip1. When both fail, the first one's error is thrown, as it is when
// they open one after the other.
void OpenClipPair(ScriptEnvironment& environment, std::unique_ptr<ScriptEnvironment>& firstEnvironment,
                  const ClipRequest& first, const ClipRequest& second, AvsClip& clip1, AvsClip& clip2);

} // namespace bv
