#include "analysis/pair_check.h"

#include "frame_source/avs_clip.h"
#include "i18n/translate.h"

namespace bv {
namespace {

using avs::FormatFamily;
using avs::PixelFormat;

std::string FormatName(const AvsClip& clip) {
    // The table's name, except that I420 shows under its classic name, as everywhere else.
    if (clip.format != nullptr && clip.format != &avs::I420Format())
        return clip.format->name;
    return ColorSpaceName(clip);
}

std::string ClipDescription(const AvsClip& clip) {
    std::string text = std::to_string(clip.width) + " x " + std::to_string(clip.height);
    const std::string space = FormatName(clip);
    return text + " " + (space.empty() ? Translate("unknown color space") : space);
}

std::string BothClips(const AvsClip& clip1, const AvsClip& clip2) {
    return " (" + Translate("Source File 1") + ": " + ClipDescription(clip1) + ", " +
           Translate("Source File 2") + ": " + ClipDescription(clip2) + ")";
}

// Packed RGB, and AviSynth+'s other RGB types (planar RGB) that the table has no row for.
bool IsRgb(const AvsClip& clip) {
    return clip.format != nullptr ? clip.format->family == FormatFamily::PackedRgb
                                  : (clip.pixelType & avs::kCsBgr) != 0;
}

bool IsYuv(const PixelFormat* f) {
    return f != nullptr && f->family != FormatFamily::PackedRgb;
}

// Chroma samples per 4 x 4 pixels, the measure of which of two YUV formats holds less.
int ChromaShare(const PixelFormat& f) {
    if (f.family == FormatFamily::Grey)
        return 0;
    return 16 >> (f.chromaShiftX + f.chromaShiftY);
}

// The template call that turns a clip of format `from` into one of format `to` (the subsampling
// of `to`, then its depth); empty when there is none.
std::string ConversionCall(const PixelFormat& from, const PixelFormat& to) {
    std::string call;
    if (to.family != from.family || to.chromaShiftX != from.chromaShiftX ||
        to.chromaShiftY != from.chromaShiftY) {
        if (to.family == FormatFamily::PackedYuv422)
            call = ".ConvertToYUY2()";
        else if (to.family == FormatFamily::Grey)
            call = ".ConvertToY8()";
        else if (to.chromaShiftX == 1 && to.chromaShiftY == 1)
            call = ".ConvertToYV12()";
        else if (to.chromaShiftX == 1 && to.chromaShiftY == 0)
            call = ".ConvertToYV16()";
        else if (to.chromaShiftX == 0 && to.chromaShiftY == 0)
            call = ".ConvertToYV24()";
        else if (to.chromaShiftX == 2 && to.chromaShiftY == 0)
            call = ".ConvertToYV411()";
        else
            return "";
    }
    if (to.bitDepth != from.bitDepth)
        call += ".ConvertBits(" + std::to_string(to.bitDepth) + ")";
    return call;
}

// Whether frames of the two formats hold the same samples in the same planes (YV12 and I420
// differ only in the order of their planes in memory).
bool SameSamples(const PixelFormat& a, const PixelFormat& b) {
    return a.family == b.family && a.chromaShiftX == b.chromaShiftX && a.chromaShiftY == b.chromaShiftY &&
           a.bitDepth == b.bitDepth;
}

// The call that makes two YUV formats equal, applied to the clip that holds more (more chroma,
// then more bits), so that nothing is made up by upsampling; between packed and planar 4:2:2 of
// one depth, to the packed clip. Empty when the formats are equal.
std::string Suggestion(const PixelFormat& f1, const PixelFormat& f2) {
    if (SameSamples(f1, f2))
        return "";
    bool convertFirst =
        ChromaShare(f1) != ChromaShare(f2) ? ChromaShare(f1) > ChromaShare(f2) : f1.bitDepth > f2.bitDepth;
    if (ChromaShare(f1) == ChromaShare(f2) && f1.bitDepth == f2.bitDepth)
        convertFirst = f1.family == FormatFamily::PackedYuv422;
    const std::string call = convertFirst ? ConversionCall(f1, f2) : ConversionCall(f2, f1);
    if (call.empty())
        return "";
    std::string text(" ");
    text += Translate(convertFirst
                          ? "To make them equal, add this call to the AviSynth template of Source File 1:"
                          : "To make them equal, add this call to the AviSynth template of Source File 2:");
    return text.append(" ").append(call);
}

} // namespace

PairCheck CheckPair(const AvsClip& clip1, const AvsClip& clip2, PairMetrics metrics) {
    PairCheck check;
    const bool sameSize = clip1.width == clip2.width && clip1.height == clip2.height;
    if (IsYuy2(clip1.pixelType) && IsYuy2(clip2.pixelType) && !sameSize) {
        check.refusal = Translate("Not analyzed: both clips must be YUY2 and of the same frame size.") +
                        BothClips(clip1, clip2);
        return check;
    }
    if (IsRgb(clip1) || IsRgb(clip2)) {
        check.refusal =
            Translate("Not analyzed: the metrics measure YUV video, not RGB.") + BothClips(clip1, clip2);
        return check;
    }
    if (!IsYuv(clip1.format) || !IsYuv(clip2.format)) {
        check.refusal =
            Translate("Not analyzed: the metrics cannot measure this color space.") + BothClips(clip1, clip2);
        return check;
    }
    if (!SameSamples(*clip1.format, *clip2.format) || !sameSize) {
        check.refusal =
            Translate("Not analyzed: both clips must have the same color space, bit depth and frame size.") +
            BothClips(clip1, clip2) + Suggestion(*clip1.format, *clip2.format);
        return check;
    }
    check.measure = PairMeasure::For(*clip1.format, clip1.width, clip1.height, metrics);
    if (!check.measure)
        check.refusal =
            Translate("Not analyzed: the metrics cannot measure this color space.") + BothClips(clip1, clip2);
    return check;
}

} // namespace bv
