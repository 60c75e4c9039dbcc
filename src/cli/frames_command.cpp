#include "cli/frames_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "cli/source_option.h"
#include "frame_source/script_environment.h"

namespace bv {

int RunFramesCommand(const std::string& source, int first, int last, const std::string& out,
                     const std::string& templateFile) {
    if (first < 0 || last < first)
        throw std::invalid_argument("frames: FIRST must be at least 0 and LAST at least FIRST");
    ScriptEnvironment environment;
    AvsClip clip = OpenSourceOption(environment, source, templateFile, "bv_avisynth_1.avs");

    const bool toStdout = out == "-";
    std::FILE* file = toStdout ? stdout : std::fopen(out.c_str(), "wb");
    if (file == nullptr)
        throw std::runtime_error("Cannot create file \"" + out + "\": " + std::strerror(errno));
    auto closer = [toStdout](std::FILE* f) {
        if (!toStdout)
            std::fclose(f);
    };
    std::unique_ptr<std::FILE, decltype(closer)> guard(file, closer);

    for (int n = first; n <= last; ++n) {
        FrameView frame = FetchFrame(clip, n);
        for (int row = 0; row < frame.height(); ++row) {
            const uint8_t* data = frame.readPtr() + static_cast<ptrdiff_t>(row) * frame.pitch();
            if (std::fwrite(data, 1, frame.rowSize(), file) != static_cast<size_t>(frame.rowSize()))
                throw std::runtime_error("Cannot write file \"" + out + "\": " + std::strerror(errno));
        }
    }
    if (std::fflush(file) != 0)
        throw std::runtime_error("Cannot write file \"" + out + "\": " + std::strerror(errno));
    return 0;
}

} // namespace bv
