// A stand-in AviSynth library for the window's tests: it answers by the script's first line.
//   clip PIXELTYPE W H N [anything]   a clip (PIXELTYPE in hex) whose frame n is filled with
//                                     the byte n; "fps NUM DEN" among the rest sets its frame
//                                     rate (25/1 otherwise), "bias K" fills frame n with n + K
//   error TEXT                        AviSynth reports TEXT
// An empty script, a missing file or any other first line is an error like AviSynth's.
#include "support/stand_in_avs.h"

#include <cstdio>
#include <cstring>

namespace bv::standin {

namespace {

// The number after `key` in the line, or `otherwise`.
int Option(const std::string& line, const char* key, int otherwise, int* second = nullptr) {
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return otherwise;
    int value = otherwise;
    if (second != nullptr)
        std::sscanf(line.c_str() + at + std::strlen(key), "%d %d", &value, second);
    else
        std::sscanf(line.c_str() + at + std::strlen(key), "%d", &value);
    return value;
}

// Frame n is the byte n + bias throughout, rows unpadded.
class FilledClip : public Clip {
public:
    FilledClip(const AVS_VideoInfo& info, int bias) : Clip(info), bias_(bias) {}

    std::unique_ptr<Frame> Fetch(int n) override {
        // The default plane: the whole image of packed formats, the luma of planar ones.
        const unsigned type = static_cast<unsigned>(info.pixel_type);
        const int bytesPerPixel = type == avs::kCsRgb32   ? 4
                                  : type == avs::kCsRgb24 ? 3
                                  : (type & 0x80000000u)  ? 1
                                                          : 2;
        const int rowSize = info.width * bytesPerPixel;
        return std::make_unique<Frame>(rowSize, rowSize, info.height, static_cast<unsigned char>(n + bias_));
    }

private:
    const int bias_;
};

} // namespace

AVS_Value Import(const std::string& path) {
    const std::optional<std::string> first = FirstLine(path);
    if (!first)
        return ErrorValue("Import: couldn't open \"" + path + "\"");
    const std::string& line = *first;
    if (line.empty())
        return ErrorValue("Script error: the script is empty\n(" + path + ", line 1)");
    if (line.rfind("error ", 0) == 0)
        return ErrorValue(line.substr(6));
    unsigned pixelType = 0;
    int w = 0, h = 0, n = 0;
    if (std::sscanf(line.c_str(), "clip %x %d %d %d", &pixelType, &w, &h, &n) != 4)
        return ErrorValue("Script error: there is no function named \"" + line.substr(0, line.find(' ')) +
                          "\"\n(" + path + ", line 1)");
    int fpsDen = 1;
    const int fpsNum = Option(line, " fps ", 25, &fpsDen);
    return ClipValue(std::make_unique<FilledClip>(
        VideoInfo(pixelType, w, h, n, static_cast<unsigned>(fpsNum), static_cast<unsigned>(fpsDen)),
        Option(line, " bias ", 0)));
}

} // namespace bv::standin
