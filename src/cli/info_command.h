#pragma once

#include <string>
#include <vector>

#include "frame_source/avs_clip.h"

namespace bv {

// The seven video-information lines the source pages show for a clip.
std::vector<std::string> VideoInfoLines(const std::string& path, const AvsClip& clip);

// `brevanta-cli info SOURCE [--template FILE]`.
int RunInfoCommand(const std::string& source, const std::string& templateFile);

} // namespace bv
