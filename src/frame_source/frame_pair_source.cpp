#include "frame_source/frame_pair_source.h"

#include "frame_source/avs_error.h"

namespace bv {
namespace {

// A frame must have the geometry its clip announced before a metric reads it.
void CheckFrameGeometry(const FrameView& frame, const AvsClip& clip, const std::string& path, int number) {
    const int rowBytes = clip.width * 2;
    if (frame.readPtr() == nullptr || frame.rowSize() != rowBytes || frame.height() != clip.height ||
        frame.pitch() < rowBytes)
        throw EAviSynthCException("AviSynth delivered frame " + std::to_string(number) + " of " + path +
                                  " as " + std::to_string(frame.rowSize()) + " bytes x " +
                                  std::to_string(frame.height()) + " rows instead of " +
                                  std::to_string(rowBytes) + " x " + std::to_string(clip.height));
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
