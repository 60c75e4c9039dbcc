#include "frame_source/frame_pair_source.h"

#include "frame_source/avs_error.h"

namespace bv {
namespace {

// A frame must have the geometry its clip announced, in every plane its format has, before a
// metric reads it.
void CheckFrameGeometry(const FrameView& frame, const AvsClip& clip, const std::string& path, int number) {
    const int planes = clip.format != nullptr ? clip.format->planes : 1;
    for (int p = 0; p < planes; ++p) {
        const int rowBytes = clip.format != nullptr ? clip.format->RowBytes(p, clip.width) : clip.width * 2;
        const int rows = clip.format != nullptr ? clip.format->PlaneHeight(p, clip.height) : clip.height;
        const PlaneView none;
        const PlaneView& plane = p < frame.planeCount() ? frame.plane(p) : none;
        if (plane.data == nullptr || plane.rowSize != rowBytes || plane.height != rows ||
            plane.pitch < rowBytes)
            throw EAviSynthCException(
                "AviSynth delivered " + (p > 0 ? "plane " + std::to_string(p) + " of " : "") + "frame " +
                std::to_string(number) + " of " + path + " as " + std::to_string(plane.rowSize) +
                " bytes x " + std::to_string(plane.height) + " rows instead of " + std::to_string(rowBytes) +
                " x " + std::to_string(rows));
    }
}

} // namespace

FramePairSource::FramePairSource(const AvsClip& original, const std::string& originalPath,
                                 const AvsClip& encoded, const std::string& encodedPath, int first, int last)
    : original_(original), encoded_(encoded), originalPath_(originalPath), encodedPath_(encodedPath),
      next_(first), last_(last) {}

bool FramePairSource::Next(FramePair& pair) {
    pair.Release();
    if (next_ > last_)
        return false;
    const int f = static_cast<int>(next_++);
    pair.number = f;
    pair.original = FetchFrame(original_, f);
    pair.encoded = FetchFrame(encoded_, f);
    CheckFrameGeometry(pair.original, original_, originalPath_, f);
    CheckFrameGeometry(pair.encoded, original_, encodedPath_, f);
    pair.width = original_.width;
    pair.height = original_.height;
    return true;
}

} // namespace bv
