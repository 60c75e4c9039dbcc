#include "player/player_picture.h"

#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"
#include "graph/preview_image.h"

#include <algorithm>
#include <cstring>

namespace bv {

namespace {

// Rows of `bytesPerPixel` bytes copied into `format`, the last stored row first.
QImage BottomUpRows(const FrameView& view, int width, int height, int bytesPerPixel, QImage::Format format) {
    const int rowBytes = width * bytesPerPixel;
    if (view.rowSize() < rowBytes || view.height() < height)
        return {};
    QImage picture(width, height, format);
    for (int r = 0; r < height; ++r)
        std::memcpy(picture.scanLine(r),
                    view.readPtr() + static_cast<ptrdiff_t>(height - 1 - r) * view.pitch(), rowBytes);
    return picture;
}

// The first plane of planar YUV is the luma: a grey picture without the colour.
QImage LumaRows(const FrameView& view, int width, int height) {
    if (view.rowSize() < width || view.height() < height)
        return {};
    QImage picture(width, height, QImage::Format_Grayscale8);
    for (int r = 0; r < height; ++r)
        std::memcpy(picture.scanLine(r), view.readPtr() + static_cast<ptrdiff_t>(r) * view.pitch(), width);
    return picture;
}

} // namespace

QImage PlayerPicture(const AvsClip& clip, int frame, int recommendation) {
    const int width = clip.width;
    const int height = clip.height;
    if (!clip.isOpen() || width <= 0 || height <= 0)
        return {};
    if (IsYuy2(clip.pixelType)) {
        QImage picture;
        if (!RenderPreviewFrame(clip, frame, picture, width, height))
            return {};
        ConvertPreviewToRgb(picture, recommendation, width, height);
        return picture;
    }
    try {
        const FrameView view = FetchFrame(clip, frame);
        const avs::PixelFormat* format = avs::ClassicPixelFormat(clip.pixelType);
        if (format == &avs::Rgb32Format())
            return BottomUpRows(view, width, height, 4, QImage::Format_RGB32);
        if (format == &avs::Rgb24Format())
            return BottomUpRows(view, width, height, 3, QImage::Format_BGR888);
        // Planar YUV of any depth holds the planar and YUV flags.
        if ((clip.pixelType & (avs::kCsPlanar | avs::kCsYuv)) == (avs::kCsPlanar | avs::kCsYuv))
            return LumaRows(view, width, height);
    } catch (const EAviSynthCException&) {
    }
    return {};
}

} // namespace bv
