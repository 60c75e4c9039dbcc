#include "avs_builtin/frame_scaler.h"

#include "avs_builtin/script_error.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace bv::builtin {

namespace {

enum class Kind { Rgb, Yuv, Gray, Unusable };

Kind KindOf(AVPixelFormat f) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    if (f == AV_PIX_FMT_PAL8)
        return Kind::Rgb;
    if (d == nullptr || (d->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL)) != 0)
        return Kind::Unusable;
    if ((d->flags & AV_PIX_FMT_FLAG_RGB) != 0)
        return Kind::Rgb;
    return d->nb_components <= 2 ? Kind::Gray : Kind::Yuv;
}

// The deprecated full-range YUV formats: the plain format, and whether the range is full.
bool StripJpeg(AVPixelFormat& f) {
    switch (f) {
    case AV_PIX_FMT_YUVJ420P:
        f = AV_PIX_FMT_YUV420P;
        return true;
    case AV_PIX_FMT_YUVJ422P:
        f = AV_PIX_FMT_YUV422P;
        return true;
    case AV_PIX_FMT_YUVJ444P:
        f = AV_PIX_FMT_YUV444P;
        return true;
    case AV_PIX_FMT_YUVJ440P:
        f = AV_PIX_FMT_YUV440P;
        return true;
    default:
        return false;
    }
}

// Full range (1) or limited (0) as the scaler wants it; unspecified is limited for YUV only.
int ScalerRange(int range, Kind kind) {
    if (range == AVCOL_RANGE_UNSPECIFIED)
        return kind != Kind::Yuv ? 1 : 0;
    return range == AVCOL_RANGE_JPEG ? 1 : 0;
}

} // namespace

int FrameScaler::FfmpegFormat(PixelFormat format) {
    switch (format) {
    case PixelFormat::YUY2:
        return AV_PIX_FMT_YUYV422;
    case PixelFormat::YV12:
    case PixelFormat::I420:
        return AV_PIX_FMT_YUV420P;
    case PixelFormat::RGB24:
        return AV_PIX_FMT_BGR24;
    case PixelFormat::RGB32:
        return AV_PIX_FMT_BGRA;
    default:
        break;
    }
    // Planar and grey formats by FFmpeg's names: yuv422p, yuv420p10le, gray, gray12le, ...
    const avs::PixelFormat& d = Describe(format);
    std::string name;
    if (d.family == avs::FormatFamily::Grey) {
        name = "gray";
    } else {
        static const char* const kSubsampling[3][2] = {{"444", "440"}, {"422", "420"}, {"411", "410"}};
        name = std::string("yuv") + kSubsampling[d.chromaShiftX][d.chromaShiftY] + "p";
    }
    if (d.bitDepth > 8)
        name += std::to_string(d.bitDepth) + "le";
    return av_get_pix_fmt(name.c_str());
}

FrameScaler::FrameScaler(PixelFormat format, int width, int height, int resizer, bool scale, std::string who)
    : format_(format), width_(width), height_(height), resizer_(resizer), scale_(scale), who_(std::move(who)) {}

FrameScaler::~FrameScaler() {
    sws_freeContext(context_);
}

void FrameScaler::Prepare(const DecodedPicture& picture, int sourceWidth, int sourceHeight) {
    if (sourceWidth == sourceWidth_ && sourceHeight == sourceHeight_ && picture.pixelFormat == sourceFormat_ &&
        picture.colorSpace == sourceSpace_ && picture.colorRange == sourceRange_)
        return;
    sws_freeContext(context_);
    context_ = nullptr;
    sourceWidth_ = -1; // unusable until made

    AVPixelFormat in = static_cast<AVPixelFormat>(picture.pixelFormat);
    const int inRange = StripJpeg(in) ? AVCOL_RANGE_JPEG : picture.colorRange;
    const auto out = static_cast<AVPixelFormat>(FfmpegFormat(format_));
    const Kind inKind = KindOf(in), outKind = KindOf(out);
    if (inKind == Kind::Unusable || !sws_isSupportedInput(in))
        throw ScriptError(who_ + ": the video's pixel format " + (av_get_pix_fmt_name(in) ? av_get_pix_fmt_name(in) : "?") +
                          " cannot be converted");
    // The colour space and range stay as they are unless the kind of colour changes, as
    // FFMS2's own conversion does it.
    int outSpace = picture.colorSpace, outRange = inRange;
    if (inKind != outKind) {
        outSpace = outKind == Kind::Rgb ? AVCOL_SPC_RGB : AVCOL_SPC_BT470BG;
        outRange = outKind == Kind::Rgb ? AVCOL_RANGE_UNSPECIFIED : AVCOL_RANGE_MPEG;
    }
    outSpace_ = outSpace;
    outRange_ = outRange;
    copy_ = in == out && sourceWidth == width_ && sourceHeight == height_ && outSpace == picture.colorSpace &&
            outRange == inRange;
    if (!copy_) {
        SwsContext* c = sws_alloc_context();
        if (c == nullptr)
            throw ScriptError(who_ + ": out of memory");
        const int srcRange = ScalerRange(inRange, inKind), dstRange = ScalerRange(outRange, outKind);
        av_opt_set_int(c, "sws_flags", resizer_ | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP | SWS_ACCURATE_RND, 0);
        av_opt_set_int(c, "srcw", sourceWidth, 0);
        av_opt_set_int(c, "srch", sourceHeight, 0);
        av_opt_set_int(c, "dstw", width_, 0);
        av_opt_set_int(c, "dsth", height_, 0);
        av_opt_set_int(c, "src_range", srcRange, 0);
        av_opt_set_int(c, "dst_range", dstRange, 0);
        av_opt_set_int(c, "src_format", in, 0);
        av_opt_set_int(c, "dst_format", out, 0);
        sws_setColorspaceDetails(c, sws_getCoefficients(picture.colorSpace), srcRange, sws_getCoefficients(outSpace),
                                 dstRange, 0, 1 << 16, 1 << 16);
        if (sws_init_context(c, nullptr, nullptr) < 0) {
            sws_freeContext(c);
            throw ScriptError(who_ + ": the video's pixel format " + av_get_pix_fmt_name(in) + " cannot be converted");
        }
        context_ = c;
    }
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    sourceFormat_ = picture.pixelFormat;
    sourceSpace_ = picture.colorSpace;
    sourceRange_ = picture.colorRange;
}

FramePtr FrameScaler::Convert(const DecodedPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.data[0] == nullptr)
        throw ScriptError(who_ + ": the decoder returned an empty picture");
    int sourceWidth = picture.width, sourceHeight = picture.height;
    // What cropping to whole chroma samples left over: up to 3 columns of 4:1:1, else 1.
    const avs::PixelFormat& d = Describe(format_);
    const int maxColumns = std::max(1, (1 << d.chromaShiftX) - 1), maxRows = std::max(1, (1 << d.chromaShiftY) - 1);
    const int extraColumns = picture.width - width_, extraRows = picture.height - height_;
    if (!scale_ && extraColumns >= 0 && extraColumns <= maxColumns && extraRows >= 0 && extraRows <= maxRows) {
        sourceWidth = width_;
        sourceHeight = height_;
    }
    Prepare(picture, sourceWidth, sourceHeight);

    auto frame = VideoFrame::Create(format_, width_, height_);
    // Our frames store RGB bottom-up; the decoder's and the scaler's rows run top-down.
    auto flipRgb = [&frame] {
        if (!IsRgb(frame->format()))
            return;
        std::vector<uint8_t> row(static_cast<size_t>(frame->rowSize(0)));
        const int h = frame->height();
        for (int y = 0; y < h / 2; ++y) {
            uint8_t* a = frame->writableData(0) + static_cast<ptrdiff_t>(y) * frame->pitch(0);
            uint8_t* b = frame->writableData(0) + static_cast<ptrdiff_t>(h - 1 - y) * frame->pitch(0);
            std::memcpy(row.data(), a, row.size());
            std::memcpy(a, b, row.size());
            std::memcpy(b, row.data(), row.size());
        }
    };
    if (copy_) {
        for (int p = 0; p < frame->planeCount(); ++p)
            for (int y = 0; y < frame->planeHeight(p); ++y)
                std::memcpy(frame->writableData(p) + static_cast<ptrdiff_t>(y) * frame->pitch(p),
                            picture.data[p] + static_cast<ptrdiff_t>(y) * picture.linesize[p], frame->rowSize(p));
    } else {
        uint8_t* dst[4] = {frame->writableData(0), nullptr, nullptr, nullptr};
        int dstPitch[4] = {frame->pitch(0), 0, 0, 0};
        for (int p = 1; p < frame->planeCount(); ++p) {
            dst[p] = frame->writableData(p);
            dstPitch[p] = frame->pitch(p);
        }
        sws_scale(context_, picture.data, picture.linesize, 0, sourceHeight, dst, dstPitch);
        if (!frame->PaddingIntact())
            throw ScriptError(who_ + ": the scaler wrote past the end of a frame");
    }
    flipRgb();
    return frame;
}

} // namespace bv::builtin
