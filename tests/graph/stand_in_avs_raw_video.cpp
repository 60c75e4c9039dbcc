// A stand-in AviSynth library that serves frames from a raw file, so preview tests can run on
// real decoded video without AviSynth. The script path chooses the clip:
//   "raw:PIXELTYPE:W:H:FRAMES:ROWSIZE:FILE"  (PIXELTYPE in hex; frame n at n * ROWSIZE * H)
// Rows are handed out with a pitch larger than the row size, as AviSynth does. A frame number
// at or beyond FRAMES cannot be fetched.
#include "support/stand_in_avs.h"

#include <cstdio>

namespace bv::standin {

namespace {

class RawClip : public Clip {
public:
    RawClip(const AVS_VideoInfo& info, int rowSize, std::string file)
        : Clip(info), rowSize_(rowSize), file_(std::move(file)) {}

    std::unique_ptr<Frame> Fetch(int n) override {
        if (n < 0 || n >= info.num_frames)
            return Fail("raw: no such frame");
        auto frame = std::make_unique<Frame>(rowSize_, (rowSize_ + 63) / 64 * 64 + 64, info.height, 0xEE);
        if (std::FILE* file = std::fopen(file_.c_str(), "rb")) {
            std::fseek(file, static_cast<long>(n) * rowSize_ * info.height, SEEK_SET);
            for (int row = 0; row < frame->height; ++row)
                if (std::fread(frame->Row(row), 1, rowSize_, file) != static_cast<size_t>(rowSize_))
                    break;
            std::fclose(file);
        }
        return frame;
    }

private:
    const int rowSize_;
    const std::string file_;
};

} // namespace

AVS_Value Import(const std::string& path) {
    unsigned pixelType = 0;
    int w = 0, h = 0, n = 0, rowSize = 0, consumed = 0;
    if (std::sscanf(path.c_str(), "raw:%x:%d:%d:%d:%d:%n", &pixelType, &w, &h, &n, &rowSize, &consumed) !=
            5 ||
        consumed == 0)
        return ErrorValue("raw: bad clip description");
    return ClipValue(std::make_unique<RawClip>(VideoInfo(pixelType, w, h, n), rowSize,
                                               path.substr(static_cast<size_t>(consumed))));
}

} // namespace bv::standin
