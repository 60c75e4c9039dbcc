#include "avs_builtin/video_frame.h"

#include "avs_builtin/script_error.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

namespace bv::builtin {

uint32_t PixelTypeFlags(PixelFormat format) {
    switch (format) {
    case PixelFormat::YUY2:
        return 0x60000004u;
    case PixelFormat::YV12:
        return 0xA0000008u;
    case PixelFormat::I420:
        return 0xA0000010u;
    case PixelFormat::RGB24:
        return 0x50000001u;
    case PixelFormat::RGB32:
        return 0x50000002u;
    }
    return 0;
}

const char* PixelFormatName(PixelFormat format) {
    switch (format) {
    case PixelFormat::YUY2:
        return "YUY2";
    case PixelFormat::YV12:
        return "YV12";
    case PixelFormat::I420:
        return "I420";
    case PixelFormat::RGB24:
        return "RGB24";
    case PixelFormat::RGB32:
        return "RGB32";
    }
    return "";
}

bool PixelFormatFromName(const std::string& name, PixelFormat& format) {
    for (PixelFormat f :
         {PixelFormat::YUY2, PixelFormat::YV12, PixelFormat::I420, PixelFormat::RGB24, PixelFormat::RGB32}) {
        if (strcasecmp(name.c_str(), PixelFormatName(f)) == 0) {
            format = f;
            return true;
        }
    }
    return false;
}

void CheckFrameSize(const char* who, PixelFormat format, int width, int height) {
    const std::string prefix = std::string(who) + ": ";
    if (width <= 0 || height <= 0)
        throw ScriptError(prefix + "the frame size must be positive");
    if (width > kMaxFrameDimension || height > kMaxFrameDimension ||
        int64_t{width} * height > kMaxFramePixels)
        throw ScriptError(prefix + "the frame size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is too large");
    if (format != PixelFormat::RGB24 && format != PixelFormat::RGB32 && width % 2 != 0)
        throw ScriptError(prefix + PixelFormatName(format) + " needs an even width");
    if (IsPlanar(format) && height % 2 != 0)
        throw ScriptError(prefix + PixelFormatName(format) + " needs an even height");
}

namespace {
int AlignUp(int n) {
    return (n + kFrameAlign - 1) / kFrameAlign * kFrameAlign;
}
constexpr int kCanaryBytes = 16;
constexpr uint8_t kCanary = 0xA5;
} // namespace

std::shared_ptr<VideoFrame> VideoFrame::Create(PixelFormat format, int width, int height) {
    CheckFrameSize("VideoFrame", format, width, height);
    auto frame = std::make_shared<VideoFrame>();
    frame->format_ = format;
    frame->width_ = width;
    frame->height_ = height;
    frame->rowSize_[0] = width * BytesPerPixel(format);
    frame->pitch_[0] = AlignUp(frame->rowSize_[0]);
    frame->planeHeight_[0] = height;
    size_t total = static_cast<size_t>(frame->pitch_[0]) * height + kFramePadding;
    size_t offsets[3] = {0, 0, 0};
    if (IsPlanar(format)) {
        for (int p = 1; p < 3; ++p) {
            frame->rowSize_[p] = width / 2;
            frame->pitch_[p] = AlignUp(width / 2);
            frame->planeHeight_[p] = height / 2;
            offsets[p] = total;
            total += static_cast<size_t>(frame->pitch_[p]) * (height / 2) + kFramePadding;
        }
    }
    void* memory = std::aligned_alloc(kFrameAlign, total);
    if (memory == nullptr)
        throw ScriptError("VideoFrame: out of memory for a " + std::to_string(width) + "x" +
                          std::to_string(height) + " frame");
    frame->storage_.reset(static_cast<uint8_t*>(memory), [](uint8_t* p) { std::free(p); });
    for (int p = 0; p < frame->planeCount(); ++p) {
        frame->data_[p] = frame->storage_.get() + offsets[p];
        std::memset(frame->data_[p] + static_cast<size_t>(frame->pitch_[p]) * frame->planeHeight_[p] +
                        kFramePadding - kCanaryBytes,
                    kCanary, kCanaryBytes);
    }
    return frame;
}

bool VideoFrame::PaddingIntact() const {
    for (int p = 0; p < planeCount(); ++p) {
        const uint8_t* canary =
            data_[p] + static_cast<size_t>(pitch_[p]) * planeHeight_[p] + kFramePadding - kCanaryBytes;
        for (int i = 0; i < kCanaryBytes; ++i)
            if (canary[i] != kCanary)
                return false;
    }
    return true;
}

FramePtr VideoFrame::Crop(const FramePtr& parent, int x, int y, int width, int height) {
    auto frame = std::make_shared<VideoFrame>(*parent);
    frame->width_ = width;
    frame->height_ = height;
    const int bpp = BytesPerPixel(parent->format_);
    // RGB is bottom-up: the picture's lowest kept row is (parent height - y - height) rows up.
    const int storedTop = IsRgb(parent->format_) ? parent->height_ - y - height : y;
    frame->data_[0] += static_cast<ptrdiff_t>(storedTop) * parent->pitch_[0] + x * bpp;
    frame->rowSize_[0] = width * bpp;
    frame->planeHeight_[0] = height;
    if (IsPlanar(parent->format_)) {
        for (int p = 1; p < 3; ++p) {
            frame->data_[p] += static_cast<ptrdiff_t>(y / 2) * parent->pitch_[p] + x / 2;
            frame->rowSize_[p] = width / 2;
            frame->planeHeight_[p] = height / 2;
        }
    }
    return frame;
}

} // namespace bv::builtin
