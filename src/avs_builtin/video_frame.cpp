#include "avs_builtin/video_frame.h"

#include "avs_builtin/script_error.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <new>
#include <strings.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BV_ASAN 1
#endif
#endif
#ifdef BV_ASAN
#include <sanitizer/asan_interface.h>
#define BV_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define BV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define BV_POISON(p, n) ((void)(p), (void)(n))
#define BV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace bv::builtin {

const avs::PixelFormat& Describe(PixelFormat format) {
    return avs::PixelFormats()[static_cast<size_t>(format)];
}

bool PixelFormatFromName(const std::string& name, PixelFormat& format) {
    const avs::PixelFormat* row = avs::FindPixelFormat(name);
    return row != nullptr && PixelFormatOf(*row, format);
}

bool PixelFormatOf(const avs::PixelFormat& row, PixelFormat& format) {
    const auto rows = avs::PixelFormats();
    const auto index = &row - rows.data();
    if (index < 0 || index >= kPixelFormatCount)
        return false;
    format = static_cast<PixelFormat>(index);
    return true;
}

bool PlanarFormat(bool grey, int chromaShiftX, int chromaShiftY, int bitDepth, PixelFormat& format) {
    for (int i = 0; i < kPixelFormatCount; ++i) {
        const auto f = static_cast<PixelFormat>(i);
        const avs::PixelFormat& d = Describe(f);
        // I420 is YV12 with the other plane order; YV12 is the name for 8-bit 4:2:0.
        if (f == PixelFormat::I420 || d.bitDepth != bitDepth)
            continue;
        if (grey ? IsGrey(f)
                 : IsPlanar(f) && d.chromaShiftX == chromaShiftX && d.chromaShiftY == chromaShiftY) {
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
    const avs::PixelFormat& f = Describe(format);
    if (f.chromaShiftX == 2 && width % 4 != 0)
        throw ScriptError(prefix + PixelFormatName(format) + " needs a width divisible by 4");
    if (f.chromaShiftX > 0 && width % (1 << f.chromaShiftX) != 0)
        throw ScriptError(prefix + PixelFormatName(format) + " needs an even width");
    if (f.chromaShiftY > 0 && height % (1 << f.chromaShiftY) != 0)
        throw ScriptError(prefix + PixelFormatName(format) + " needs an even height");
}

namespace {
int AlignUp(int n) {
    return (n + kFrameAlign - 1) / kFrameAlign * kFrameAlign;
}
constexpr int kCanaryBytes = 16;
constexpr uint8_t kCanary = 0xA5;

// Frames of a run come and go at the frame rate, a few sizes over and over. A fresh
// multi-megabyte block is mapped and faulted in page by page each time, so released blocks are
// kept for the next frame of their size, up to a bound.
class FramePool {
public:
    static constexpr size_t kMaxBlocks = 12;
    static constexpr size_t kMaxBytes = size_t{192} << 20;

    uint8_t* Take(size_t size) {
        {
            std::lock_guard lock(mutex_);
            for (auto it = free_.rbegin(); it != free_.rend(); ++it) {
                if (it->size != size)
                    continue;
                uint8_t* block = it->memory;
                free_.erase(std::next(it).base());
                bytes_ -= size;
                BV_UNPOISON(block, size);
                return block;
            }
        }
        return static_cast<uint8_t*>(std::aligned_alloc(kFrameAlign, size));
    }

    void Give(uint8_t* block, size_t size) {
        if (size > kMaxBytes) {
            std::free(block);
            return;
        }
        std::vector<uint8_t*> dropped;
        {
            std::lock_guard lock(mutex_);
            BV_POISON(block, size); // a read of a released frame stays an error under ASan
            free_.push_back({block, size});
            bytes_ += size;
            while (free_.size() > kMaxBlocks || bytes_ > kMaxBytes) { // the oldest go first
                BV_UNPOISON(free_.front().memory, free_.front().size);
                dropped.push_back(free_.front().memory);
                bytes_ -= free_.front().size;
                free_.erase(free_.begin());
            }
        }
        for (uint8_t* memory : dropped)
            std::free(memory);
    }

private:
    struct Block {
        uint8_t* memory;
        size_t size;
    };
    std::mutex mutex_;
    std::vector<Block> free_; // oldest first
    size_t bytes_ = 0;
};

FramePool& Pool() {
    static FramePool* pool = new FramePool; // never destroyed: frames may be released at exit
    return *pool;
}

std::shared_ptr<uint8_t> FrameMemory(size_t size) {
    uint8_t* block = Pool().Take(size);
    if (block == nullptr)
        return nullptr;
    return std::shared_ptr<uint8_t>(block, [size](uint8_t* p) { Pool().Give(p, size); });
}
} // namespace

std::shared_ptr<VideoFrame> VideoFrame::Create(PixelFormat format, int width, int height) {
    CheckFrameSize("VideoFrame", format, width, height);
    auto frame = std::make_shared<VideoFrame>();
    frame->format_ = format;
    frame->width_ = width;
    frame->height_ = height;
    const avs::PixelFormat& f = Describe(format);
    size_t total = 0;
    size_t offsets[3] = {0, 0, 0};
    for (int p = 0; p < f.planes; ++p) {
        frame->rowSize_[p] = f.RowBytes(p, width);
        frame->pitch_[p] = AlignUp(frame->rowSize_[p]);
        frame->planeHeight_[p] = f.PlaneHeight(p, height);
        offsets[p] = total;
        total += static_cast<size_t>(frame->pitch_[p]) * frame->planeHeight_[p] + kFramePadding;
    }
    frame->storage_ = FrameMemory(total);
    if (frame->storage_ == nullptr)
        throw ScriptError("VideoFrame: out of memory for a " + std::to_string(width) + "x" +
                          std::to_string(height) + " frame");
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
    const avs::PixelFormat& f = Describe(parent->format_);
    // RGB is bottom-up: the picture's lowest kept row is (parent height - y - height) rows up.
    const int storedTop = IsRgb(parent->format_) ? parent->height_ - y - height : y;
    frame->data_[0] += static_cast<ptrdiff_t>(storedTop) * parent->pitch_[0] + f.RowBytes(0, x);
    frame->rowSize_[0] = f.RowBytes(0, width);
    frame->planeHeight_[0] = height;
    for (int p = 1; p < f.planes; ++p) {
        frame->data_[p] += static_cast<ptrdiff_t>(y >> f.chromaShiftY) * parent->pitch_[p] +
                           f.RowBytes(p, x);
        frame->rowSize_[p] = f.RowBytes(p, width);
        frame->planeHeight_[p] = f.PlaneHeight(p, height);
    }
    return frame;
}

} // namespace bv::builtin
