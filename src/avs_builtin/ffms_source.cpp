#include "avs_builtin/ffms_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ffms.h>
#include <strings.h>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "avs_builtin/ffms_index.h"
#include "avs_builtin/script_error.h"

namespace bv::builtin {

namespace {

// Frames delivered last, kept for a second request (the frame again, or the one before it).
// Each kept frame is one more frame of fresh memory for the reader; two cover what scripts and
// the program ask for again.
constexpr size_t kRecentFrames = 2;

// A script that leaves the decoder threads to the source gets one. A run already keeps both
// cores busy (each clip is read ahead on a thread, the metrics work beside them); threads of
// the decoder's own would compete with them, and a decoder error logged on such a thread would
// escape the stale-frame check, which sees only the fetching thread's.
int DecoderThreads(int asked) {
    return asked > 0 ? asked : 1;
}

// The format AviSynth+'s FFMS2 plugin delivers for a decoded pixel format: the same format
// where AviSynth+ has it; else the nearest one that loses no chroma resolution and no depth.
// Its list holds YUV at 8, 10 and 16 bits and grey at 8, 10, 12 and 16, so 12- and 14-bit
// YUV become 16-bit. Packed RGB becomes RGB32, as do deeper RGB (which AviSynth+ delivers as
// planar RGB, a format this server lacks). Alpha planes are dropped.
PixelFormat NearestFormat(int encoded) {
    const auto f = static_cast<AVPixelFormat>(encoded);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    if (d == nullptr)
        return PixelFormat::I420;
    if (f == AV_PIX_FMT_YUYV422)
        return PixelFormat::YUY2;
    if ((d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BAYER)) != 0)
        return PixelFormat::RGB32;
    const int depth = d->comp[0].depth;
    const bool grey = d->nb_components <= 2;
    int bits = depth <= 8 ? 8 : depth <= 10 ? 10 : 16;
    if (grey && depth > 10 && depth <= 12)
        bits = 12;
    // Chroma: 4:2:0, 4:2:2, 4:4:4 and 4:1:1 as they are; 4:4:0 keeps its rows in 4:4:4;
    // 4:1:0 becomes 4:2:0 (AviSynth+'s YUV9 is not among this server's formats).
    int shiftX = d->log2_chroma_w, shiftY = d->log2_chroma_h;
    if (shiftX == 0 && shiftY > 0)
        shiftY = 0;
    if (shiftY > 1 || (shiftX == 2 && shiftY > 0)) {
        shiftX = 1;
        shiftY = 1;
    }
    if (shiftX == 2)
        bits = 8; // 4:1:1 exists at 8 bits only
    PixelFormat format = PixelFormat::I420;
    if (!PlanarFormat(grey, shiftX, shiftY, bits, format))
        return PixelFormat::I420;
    // FFMS2 hands 8-bit 4:2:0 over as I420.
    return format == PixelFormat::YV12 ? PixelFormat::I420 : format;
}

// The colorspace names FFVideoSource accepts: AviSynth+'s and FFMS2's other spellings.
bool ColorspaceFromName(const std::string& name, PixelFormat& format) {
    static const std::pair<const char*, const char*> kAliases[] = {
        {"YUV420P8", "YV12"}, {"YUV422P8", "YV16"}, {"YUV444P8", "YV24"}, {"YUV411P8", "YV411"},
        {"GRAY8", "Y8"},      {"GRAY10", "Y10"},    {"GRAY12", "Y12"},    {"GRAY16", "Y16"}};
    for (const auto& [alias, real] : kAliases)
        if (strcasecmp(alias, name.c_str()) == 0)
            return PixelFormatFromName(real, format);
    return PixelFormatFromName(name, format);
}

int ResizerOf(const std::string& name, const std::string& who) {
    static const std::pair<const char*, int> kResizers[] = {{"FAST_BILINEAR", FFMS_RESIZER_FAST_BILINEAR},
                                                            {"BILINEAR", FFMS_RESIZER_BILINEAR},
                                                            {"BICUBIC", FFMS_RESIZER_BICUBIC},
                                                            {"X", FFMS_RESIZER_X},
                                                            {"POINT", FFMS_RESIZER_POINT},
                                                            {"AREA", FFMS_RESIZER_AREA},
                                                            {"BICUBLIN", FFMS_RESIZER_BICUBLIN},
                                                            {"GAUSS", FFMS_RESIZER_GAUSS},
                                                            {"SINC", FFMS_RESIZER_SINC},
                                                            {"LANCZOS", FFMS_RESIZER_LANCZOS},
                                                            {"SPLINE", FFMS_RESIZER_SPLINE}};
    for (const auto& [n, v] : kResizers)
        if (strcasecmp(n, name.c_str()) == 0)
            return v;
    throw ScriptError(who + ": Invalid resizer name specified");
}

} // namespace

FfmsSource::FfmsSource(const FfmsSourceOptions& o) : who_(o.function) {
    // Checked before anything is opened, as FFMS2's plugin does.
    if (o.fpsDenominator < 1)
        throw ScriptError(who_ + ": FPS denominator needs to be 1 or higher");
    FfmsIndexPtr index = LoadFfmsIndex(o.path, o.cache, who_);
    int track = o.track;
    if (track < 0) {
        char text[1024] = {};
        FFMS_ErrorInfo e{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, sizeof text, text};
        track = FFMS_GetFirstTrackOfType(index.get(), FFMS_TYPE_VIDEO, &e);
        if (track < 0)
            throw ScriptError(who_ + ": No video track found");
    } else if (track >= FFMS_GetNumTracks(index.get()) ||
               FFMS_GetTrackType(FFMS_GetTrackFromIndex(index.get(), track)) != FFMS_TYPE_VIDEO) {
        throw ScriptError(who_ + ": Not a video track");
    }
    reader_ = std::make_unique<ExactFrameReader>(index, o.path, track, DecoderThreads(o.threads), who_);
    if (reader_->frameCount() <= 0)
        throw ScriptError(who_ + ": The video track has no frames");

    const FFMS_Frame& first = reader_->Get(0);
    PixelFormat format = NearestFormat(first.EncodedPixelFormat);
    if (!o.colorspace.empty() && !ColorspaceFromName(o.colorspace, format))
        throw ScriptError(who_ + ": Invalid colorspace name specified");
    int width = o.width > 0 ? o.width : first.EncodedWidth;
    int height = o.height > 0 ? o.height : first.EncodedHeight;
    // FFMS2's own default, also where only the format changes: it upsamples chroma with it
    // and keeps 8-bit luma byte for byte.
    const int resizer = o.resizer.empty() ? FFMS_RESIZER_BICUBIC : ResizerOf(o.resizer, who_);
    // Sizes the chroma subsampling cannot hold lose their last columns or rows.
    const avs::PixelFormat& d = Describe(format);
    width -= width % (1 << d.chromaShiftX);
    height -= height % (1 << d.chromaShiftY);
    CheckFrameSize(who_.c_str(), format, width, height);
    scaler_ = std::make_unique<FrameScaler>(format, width, height, resizer, o.width > 0 || o.height > 0, who_);
    // Frame 0 is at hand: converting it now reports a picture that cannot be converted at once.
    recent_.emplace_back(0, CopyOut(first));

    const FFMS_VideoProperties& p = reader_->properties();
    info_.width = width;
    info_.height = height;
    info_.format = format;
    info_.frameCount = reader_->frameCount();
    // The properties FFMS2's plugin gives frames: the matrix always, the range when known.
    info_.matrixProp = scaler_->outputSpace();
    const int range = scaler_->outputRange();
    info_.rangeProp = range == AVCOL_RANGE_MPEG ? 1 : range == AVCOL_RANGE_JPEG ? 0 : -1;
    info_.chromaLocProp = first.ChromaLocation > 0 ? first.ChromaLocation - 1 : -1;
    int64_t num = p.FPSNumerator > 0 ? p.FPSNumerator : 25, den = p.FPSDenominator > 0 ? p.FPSDenominator : 1;
    if (o.fpsNumerator > 0) {
        num = o.fpsNumerator;
        den = o.fpsDenominator;
        // Frame n is the frame shown at time first + n / fps, as FFMS2's own plugin maps it.
        FFMS_Track* t = FFMS_GetTrackFromIndex(index.get(), track);
        const FFMS_TrackTimeBase* tb = FFMS_GetTimeBase(t);
        timeBaseNum_ = std::max<int64_t>(tb->Num, 1);
        timeBaseDen_ = std::max<int64_t>(tb->Den, 1);
        const int count = reader_->frameCount();
        framePts_.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            framePts_[i] = FFMS_GetFrameInfo(t, i)->PTS;
        auto seconds = [this](int64_t pts) {
            return static_cast<double>(pts) * static_cast<double>(timeBaseNum_) /
                   static_cast<double>(timeBaseDen_) / 1000.0;
        };
        firstTime_ = seconds(framePts_.front());
        const double span =
            count > 1 ? (seconds(framePts_.back()) - firstTime_) * (1.0 + 1.0 / (count - 1)) : 0;
        const double frames = std::floor(span * static_cast<double>(num) / static_cast<double>(den) + 0.5);
        info_.frameCount = static_cast<int>(std::clamp(frames, 1.0, static_cast<double>(kMaxFrameCount)));
    }
    // As given, not reduced: FFMS2's plugin hands fpsnum/fpsden (or FFMS2's rate) on unchanged.
    info_.fpsNumerator = static_cast<uint32_t>(num);
    info_.fpsDenominator = static_cast<uint32_t>(den);
}

int FfmsSource::SourceFrameOf(int n) const {
    if (framePts_.empty())
        return n;
    // As FFMS2 seeks by time: the time in seconds becomes a whole PTS (truncated), and the
    // frame with the nearest PTS is taken, the later one of two equally near.
    const double seconds =
        firstTime_ + static_cast<double>(int64_t{n} * info_.fpsDenominator) / info_.fpsNumerator;
    const auto pts = static_cast<int64_t>(seconds * 1000 * static_cast<double>(timeBaseDen_) /
                                          static_cast<double>(timeBaseNum_));
    auto it = std::lower_bound(framePts_.begin(), framePts_.end(), pts);
    if (it == framePts_.end())
        return static_cast<int>(framePts_.size()) - 1;
    if (it != framePts_.begin() && pts - *(it - 1) < *it - pts)
        --it;
    return static_cast<int>(it - framePts_.begin());
}

FramePtr FfmsSource::GetFrame(int n) {
    std::lock_guard lock(mutex_);
    const int source = SourceFrameOf(n);
    for (const auto& [number, frame] : recent_)
        if (number == source)
            return frame;
    FramePtr frame = CopyOut(reader_->Get(source));
    recent_.emplace_back(source, frame);
    if (recent_.size() > kRecentFrames)
        recent_.pop_front();
    return frame;
}

FramePtr FfmsSource::CopyOut(const FFMS_Frame& f) {
    DecodedPicture picture;
    for (int p = 0; p < 4; ++p) {
        picture.data[p] = f.Data[p];
        picture.linesize[p] = f.Linesize[p];
    }
    picture.width = f.EncodedWidth;
    picture.height = f.EncodedHeight;
    picture.pixelFormat = f.EncodedPixelFormat;
    picture.colorSpace = f.ColorSpace;
    picture.colorRange = f.ColorRange;
    return scaler_->Convert(picture);
}

} // namespace bv::builtin
