#include "graph/preview_image.h"

#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"
#include "graph/round_half_even.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace bv {

namespace {

// Before conversion a pixel holds Y in blue, U in green, V in red.
constexpr QRgb PackYuv(int y, int u, int v) {
    return qRgb(v, u, y);
}
constexpr QRgb kNeutralYuv = PackYuv(16, 128, 128);

int ToByte(double value) {
    return static_cast<int>(std::clamp(RoundHalfEven(value), 0.0, 255.0));
}

// The same rounding for the per-pixel path, without library calls: truncation corrected to
// the floor, then the exact fraction decides (halves go to the even neighbour). Valid far
// beyond the values a conversion produces (|x| < 2^31).
inline int ToByteFast(double value) {
    int below = static_cast<int>(value);
    below -= value < below ? 1 : 0;
    const double fraction = value - below; // exact for these magnitudes
    const int rounded = below + ((fraction > 0.5) | ((fraction == 0.5) & (below & 1)));
    return std::clamp(rounded, 0, 255);
}

void PrepareImage(QImage& image, int width, int height) {
    if (width <= 0 || height <= 0) {
        image = QImage();
        return;
    }
    if (image.width() != width || image.height() != height || image.format() != QImage::Format_RGB32)
        image = QImage(width, height, QImage::Format_RGB32);
}

// The products of each recommendation per byte value, computed once. Looking them up gives
// the same doubles as computing them per pixel, and G's terms are still subtracted in order.
struct Coefficients {
    std::array<double, 256> luma{};   // Y term shared by R, G, B
    std::array<double, 256> rFromV{}; // added to R
    std::array<double, 256> gFromU{}; // subtracted first from G
    std::array<double, 256> gFromV{}; // subtracted next from G
    std::array<double, 256> bFromU{}; // added to B
    // R depends on Y and V only, B on Y and U only: their bytes are looked up, [y][v] and [y][u].
    std::array<uint8_t, 256 * 256> red{};
    std::array<uint8_t, 256 * 256> blue{};
};

Coefficients MakeCoefficients(int recommendation) {
    Coefficients c;
    for (int i = 0; i < 256; ++i) {
        const double chroma = i - 128;
        if (recommendation == kPreviewRec601) {
            c.luma[i] = 1.164 * (i - 16);
            c.rFromV[i] = 1.596 * chroma;
            c.gFromU[i] = 0.392 * chroma;
            c.gFromV[i] = 0.813 * chroma;
            c.bFromU[i] = 2.017 * chroma;
        } else {
            c.luma[i] = i;
            c.rFromV[i] = 1.403 * chroma;
            c.gFromU[i] = 0.344 * chroma;
            c.gFromV[i] = 0.714 * chroma;
            c.bFromU[i] = 1.77 * chroma;
        }
    }
    for (int y = 0; y < 256; ++y)
        for (int chroma = 0; chroma < 256; ++chroma) {
            c.red[y * 256 + chroma] = static_cast<uint8_t>(ToByte(c.luma[y] + c.rFromV[chroma]));
            c.blue[y * 256 + chroma] = static_cast<uint8_t>(ToByte(c.luma[y] + c.bFromU[chroma]));
        }
    return c;
}

const Coefficients& Pc601() {
    static const Coefficients c = MakeCoefficients(kPreviewPc601);
    return c;
}
const Coefficients& Rec601() {
    static const Coefficients c = MakeCoefficients(kPreviewRec601);
    return c;
}

} // namespace

void UnpackYuy2Preview(const uint8_t* data, int pitch, int rowSize, int rows, QImage& image, int width,
                       int height) {
    PrepareImage(image, width, height);
    if (image.isNull())
        return;
    // Four bytes make two pixels; a frame whose rows hold more (RGB32) is cut at the width.
    const int pairs = std::min(std::max(rowSize, 0) / 4, (width + 1) / 2);
    const int filledRows = data == nullptr ? 0 : std::clamp(rows, 0, height);
    for (int r = 0; r < height; ++r) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(r));
        int x = 0;
        if (r < filledRows) {
            const uint8_t* in = data + static_cast<ptrdiff_t>(r) * pitch;
            for (int p = 0; p < pairs; ++p, in += 4) {
                out[x++] = PackYuv(in[0], in[1], in[3]);
                if (x < width)
                    out[x++] = PackYuv(in[2], in[1], in[3]);
            }
        }
        std::fill(out + x, out + width, kNeutralYuv);
    }
}

namespace {

// An 8-bit sample of any depth: higher depths are shifted down with rounding, and a value
// above the depth's peak stays at 255.
template <typename Sample>
struct ToEightBits {
    int shift;
    int operator()(Sample v) const {
        if constexpr (sizeof(Sample) == 1)
            return v;
        else
            return std::min(255, (v + ((1 << shift) >> 1)) >> shift);
    }
};

template <typename Sample>
void UnpackPlanarRows(std::span<const PlaneView> planes, const avs::PixelFormat& format, QImage& image,
                      int width, int height) {
    const ToEightBits<Sample> eight{format.bitDepth - 8};
    const PlaneView& luma = planes.empty() ? PlaneView{} : planes[0];
    const bool colour = format.family == avs::FormatFamily::PlanarYuv && planes.size() >= 3;
    const PlaneView u = colour ? planes[1] : PlaneView{};
    const PlaneView v = colour ? planes[2] : PlaneView{};
    const int sampleBytes = static_cast<int>(sizeof(Sample));
    const int columns = std::clamp(luma.rowSize / sampleBytes, 0, width);
    const int rows = luma.data == nullptr ? 0 : std::clamp(luma.height, 0, height);
    const int chromaColumns = std::max(std::min(u.rowSize, v.rowSize) / sampleBytes, 0);
    const int chromaRows = u.data == nullptr || v.data == nullptr ? 0 : std::min(u.height, v.height);
    for (int r = 0; r < height; ++r) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(r));
        int x = 0;
        if (r < rows) {
            const auto* y =
                reinterpret_cast<const Sample*>(luma.data + static_cast<ptrdiff_t>(r) * luma.pitch);
            const int cr = r >> format.chromaShiftY;
            // Pixels whose chroma sample the planes hold; the rest of the row is grey.
            int withChroma = 0;
            const Sample *us = nullptr, *vs = nullptr;
            if (cr < chromaRows) {
                us = reinterpret_cast<const Sample*>(u.data + static_cast<ptrdiff_t>(cr) * u.pitch);
                vs = reinterpret_cast<const Sample*>(v.data + static_cast<ptrdiff_t>(cr) * v.pitch);
                withChroma = std::min(columns, chromaColumns << format.chromaShiftX);
            }
            for (; x < withChroma; ++x) {
                const int c = x >> format.chromaShiftX;
                out[x] = PackYuv(eight(y[x]), eight(us[c]), eight(vs[c]));
            }
            for (; x < columns; ++x)
                out[x] = PackYuv(eight(y[x]), 128, 128);
        }
        std::fill(out + x, out + width, kNeutralYuv);
    }
}

// Packed RGB rows copied into `format`, the last stored row first.
QImage BottomUpRows(const PlaneView& plane, int width, int height, int bytesPerPixel, QImage::Format format) {
    const int rowBytes = width * bytesPerPixel;
    if (plane.data == nullptr || plane.rowSize < rowBytes || plane.height < height)
        return {};
    QImage picture(width, height, format);
    for (int r = 0; r < height; ++r)
        std::memcpy(picture.scanLine(r), plane.data + static_cast<ptrdiff_t>(height - 1 - r) * plane.pitch,
                    rowBytes);
    return picture;
}

} // namespace

void UnpackPlanarPreview(std::span<const PlaneView> planes, const avs::PixelFormat& format, QImage& image,
                         int width, int height) {
    PrepareImage(image, width, height);
    if (image.isNull())
        return;
    if (format.bytesPerSample == 1)
        UnpackPlanarRows<uint8_t>(planes, format, image, width, height);
    else
        UnpackPlanarRows<uint16_t>(planes, format, image, width, height);
}

QImage FrameRgbImage(std::span<const PlaneView> planes, const avs::PixelFormat* format, int recommendation,
                     int width, int height) {
    if (format == nullptr || planes.empty() || width <= 0 || height <= 0)
        return {};
    QImage picture;
    switch (format->family) {
    case avs::FormatFamily::PackedRgb:
        return BottomUpRows(planes[0], width, height, format->samplesPerPixel,
                            format->samplesPerPixel == 4 ? QImage::Format_RGB32 : QImage::Format_BGR888);
    case avs::FormatFamily::PackedYuv422:
        UnpackYuy2Preview(planes[0].data, planes[0].pitch, planes[0].rowSize, planes[0].height, picture,
                          width, height);
        break;
    case avs::FormatFamily::PlanarYuv:
    case avs::FormatFamily::Grey:
        UnpackPlanarPreview(planes, *format, picture, width, height);
        break;
    }
    ConvertPreviewToRgb(picture, recommendation, width, height);
    return picture;
}

QImage FrameRgbImage(const FrameView& frame, const avs::PixelFormat* format, int recommendation, int width,
                     int height) {
    PlaneView planes[FrameView::kMaxPlanes];
    for (int i = 0; i < frame.planeCount(); ++i)
        planes[i] = frame.plane(i);
    return FrameRgbImage(std::span<const PlaneView>(planes, static_cast<size_t>(frame.planeCount())), format,
                         recommendation, width, height);
}

bool RenderPreviewFrame(const AvsClip& clip, int frame, QImage& image, int width, int height) {
    try {
        FrameView view = FetchFrame(clip, frame);
        UnpackYuy2Preview(view.readPtr(), view.pitch(), view.rowSize(), view.height(), image, width, height);
        view.Release();
        return true;
    } catch (const EAviSynthCException&) {
        UnpackYuy2Preview(nullptr, 0, 0, 0, image, width, height);
        return false;
    }
}

void ConvertPreviewToRgb(QImage& image, int recommendation, int width, int height) {
    // Built on first use, once per recommendation (thread-safe statics).
    const Coefficients& c = recommendation == kPreviewRec601 ? Rec601() : Pc601();
    if (image.format() != QImage::Format_RGB32)
        return; // not a preview bitmap
    const int columns = std::min(width, image.width());
    const int rows = std::min(height, image.height());
    for (int r = 0; r < rows; ++r) {
        auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int x = 0; x < columns; ++x) {
            const int y = qBlue(pixels[x]);
            const int u = qGreen(pixels[x]);
            const int v = qRed(pixels[x]);
            const int green = ToByteFast(c.luma[y] - c.gFromU[u] - c.gFromV[v]);
            pixels[x] = qRgb(c.red[y * 256 + v], green, c.blue[y * 256 + u]);
        }
    }
}

QSize FitPreviewImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return {kPreviewBox, kPreviewBox};
    const double aspect = static_cast<double>(width) / height;
    if (width < height)
        return {static_cast<int>(RoundHalfEven(aspect * kPreviewBox)), kPreviewBox};
    return {kPreviewBox, static_cast<int>(RoundHalfEven(kPreviewBox / aspect))};
}

} // namespace bv
