// A stand-in AviSynth library whose answers the tests choose through the script path:
//   "error:TEXT"                 -> an error value carrying TEXT
//   "int"                        -> an int value (neither clip nor error)
//   "clip:PIXELTYPE:W:H:N[:NUM:DEN]" -> a clip (PIXELTYPE in hex, NUM/DEN frames per second,
//                                   25/1 unless given); frame 13 cannot be fetched
// The tests check the program's bookkeeping against the counts of the common part.
#include "support/stand_in_avs.h"

#include <cstdio>

namespace bv::standin {

namespace {

// Frame n is filled with the byte n, padding included; its rows are as wide as YUY2's.
class FilledClip : public Clip {
public:
    using Clip::Clip;

    std::unique_ptr<Frame> Fetch(int n) override {
        if (n == 13)
            return Fail("fake: frame 13 is broken");
        const int rowSize = info.width * 2;
        return std::make_unique<Frame>(rowSize, rowSize + 32, info.height, static_cast<unsigned char>(n));
    }
};

} // namespace

AVS_Value Import(const std::string& path) {
    if (path.rfind("error:", 0) == 0)
        return ErrorValue(path.substr(6));
    if (path == "int")
        return IntValue(7);
    if (path.rfind("clip:", 0) == 0) {
        unsigned pixelType = 0;
        int w = 0, h = 0, n = 0;
        unsigned fpsNum = 25, fpsDen = 1;
        std::sscanf(path.c_str() + 5, "%x:%d:%d:%d:%u:%u", &pixelType, &w, &h, &n, &fpsNum, &fpsDen);
        return ClipValue(std::make_unique<FilledClip>(VideoInfo(pixelType, w, h, n, fpsNum, fpsDen)));
    }
    return ErrorValue("Function Not Found");
}

} // namespace bv::standin
