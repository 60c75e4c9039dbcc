#include "cli/info_command.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "cli/source_option.h"
#include "frame_source/script_environment.h"
#include "i18n/translate.h"

namespace bv {

std::vector<std::string> VideoInfoLines(const std::string& path, const AvsClip& clip) {
    return {
        Translate("File Name") + ": " + path,
        Translate("Start Frame") + ": 0",
        Translate("End Frame") + ": " + std::to_string(clip.frameCount - 1),
        "",
        Translate("Video Info") + ":",
        Translate("Frame Size") + ": " + std::to_string(clip.width) + " x " + std::to_string(clip.height),
        Translate("Color Space") + ": " + ColorSpaceName(clip),
    };
}

int RunInfoCommand(const std::string& source, const std::string& templateFile) {
    ScriptEnvironment environment;
    AvsClip clip = OpenSourceOption(environment, source, templateFile, "bv_avisynth_1.avs");
    for (const std::string& line : VideoInfoLines(source, clip))
        std::cout << line << '\n';
    CloseAvsClip(clip);
    std::cout.flush();
    if (!std::cout)
        throw std::runtime_error(std::string("Cannot write file \"-\": ") + std::strerror(errno));
    return 0;
}

} // namespace bv
