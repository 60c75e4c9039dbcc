#include "cli/frames_command.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "cli/source_option.h"
#include "frame_source/script_environment.h"

namespace bv {

int RunFramesCommand(const std::string& source, int first, int last, const std::string& out,
                     const std::string& templateFile, bool allPlanes) {
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

    // Samples of more than 8 bits are 2 bytes, written little-endian whatever the host's order.
    const bool swapBytes =
        std::endian::native == std::endian::big && clip.format != nullptr && clip.format->bytesPerSample == 2;
    std::vector<uint8_t> swapped;
    auto write = [&](const uint8_t* data, size_t bytes) {
        if (bytes > 0 && std::fwrite(data, 1, bytes, file) != bytes)
            throw std::runtime_error("Cannot write file \"" + out + "\": " + std::strerror(errno));
    };
    // Rows are a few kilobytes and the stream's own buffer one page: rows are gathered here so
    // that a system call carries a megabyte (setvbuf without a buffer of our own keeps the page).
    std::vector<uint8_t> pending;
    pending.reserve(size_t{1} << 20);
    auto put = [&](const uint8_t* data, size_t bytes) {
        if (pending.size() + bytes > pending.capacity()) {
            write(pending.data(), pending.size());
            pending.clear();
        }
        if (bytes >= pending.capacity())
            write(data, bytes);
        else
            pending.insert(pending.end(), data, data + bytes);
    };
    for (int n = first; n <= last; ++n) {
        FrameView frame = FetchFrame(clip, n);
        const int planes = allPlanes ? frame.planeCount() : 1;
        for (int p = 0; p < planes; ++p) {
            const PlaneView& plane = frame.plane(p);
            if (!swapBytes && plane.pitch == plane.rowSize) { // rows back to back: the plane at once
                put(plane.data, static_cast<size_t>(plane.rowSize) * static_cast<size_t>(plane.height));
                continue;
            }
            for (int row = 0; row < plane.height; ++row) {
                const uint8_t* data = plane.data + static_cast<ptrdiff_t>(row) * plane.pitch;
                if (swapBytes) {
                    swapped.assign(data, data + plane.rowSize);
                    for (size_t i = 0; i + 1 < swapped.size(); i += 2)
                        std::swap(swapped[i], swapped[i + 1]);
                    data = swapped.data();
                }
                put(data, static_cast<size_t>(plane.rowSize));
            }
        }
    }
    write(pending.data(), pending.size());
    if (std::fflush(file) != 0)
        throw std::runtime_error("Cannot write file \"" + out + "\": " + std::strerror(errno));
    return 0;
}

} // namespace bv
