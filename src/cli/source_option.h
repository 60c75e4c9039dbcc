// How the command line turns a SOURCE argument and an optional template file into a clip.
#pragma once

#include <string>
#include <vector>

#include "frame_source/avs_clip.h"

namespace bv {

class ScriptEnvironment;

// The template a video is opened through when none is given: the shipped Templates/FFMS2.avs,
// which reads any video FFMS2 decodes in its own format. Says once on standard error which
// file it used, unless quiet.
class DefaultTemplate {
public:
    explicit DefaultTemplate(bool quiet) : quiet_(quiet) {}
    // `templateFile` when given or when every source is a script; otherwise the shipped template
    // (and `templateFile` again, empty, when the program folder has none).
    std::string For(const std::string& templateFile, const std::vector<std::string>& sources);

private:
    bool quiet_;
    bool said_ = false;
};

// The template's lines, or none when no file is given. Throws std::runtime_error.
std::vector<std::string> LoadTemplateOption(const std::string& templateFile);

// Opens SOURCE as the window does: a ".avs" script as it is, anything else through a script
// generated from the template. Throws std::runtime_error with a hint when a non-script is
// given without a template.
AvsClip OpenSourceOption(ScriptEnvironment& environment, const std::string& source,
                         const std::string& templateFile, const char* scriptName);

} // namespace bv
