// How the command line turns a SOURCE argument and an optional template file into a clip.
#pragma once

#include <string>
#include <vector>

#include "frame_source/avs_clip.h"

namespace bv {

class ScriptEnvironment;

// The template's lines, or none when no file is given. Throws std::runtime_error.
std::vector<std::string> LoadTemplateOption(const std::string& templateFile);

// Opens SOURCE as the window does: a ".avs" script as it is, anything else through a script
// generated from the template. Throws std::runtime_error with a hint when a non-script is
// given without a template.
AvsClip OpenSourceOption(ScriptEnvironment& environment, const std::string& source,
                         const std::string& templateFile, const char* scriptName);

} // namespace bv
