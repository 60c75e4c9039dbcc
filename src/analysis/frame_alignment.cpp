#include "analysis/frame_alignment.h"

#include "avs_abi/pixel_format.h"
#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace bv {

namespace {

// Means of 8 x 8 luma samples: small enough to read quickly, coarse enough that coding noise
// averages out while motion between frames does not.
constexpr int kBlock = 8;
// Frame pairs compared for each offset. Every offset needs frames of its own, so each clip is
// read over range + kStretch frames: few pairs keep the search cheap beside the run.
constexpr size_t kStretch = 10;
// An offset with fewer pairs than this (near a clip's end) is not considered.
constexpr int kMinPairs = 5;
constexpr int kMaxRange = 100000;
// The offsets searched first.
constexpr int kFirstReach = 10;
// The best offset must beat every other one clearly: by this factor and this many units of
// squared 8-bit luma. A still scene, where many offsets fit alike, fails it.
constexpr double kMarginFactor = 1.2;
constexpr double kMarginFloor = 0.1;

using Reduced = std::vector<double>;

// The reduced luma of one frame in 8-bit units, or an empty vector for a format without luma.
Reduced Reduce(const FrameView& frame, const AvsClip& clip, int number) {
    const avs::PixelFormat* format = clip.format;
    if (format == nullptr || format->family == avs::FormatFamily::PackedRgb)
        return {};
    const PlaneView& plane = frame.plane(0);
    const int width = clip.width, height = clip.height;
    if (plane.data == nullptr || plane.height < height || plane.rowSize < format->RowBytes(0, width))
        throw EAviSynthCException("AviSynth delivered frame " + std::to_string(number) +
                                  " in another size than its clip announced");
    // Luma is every second byte of packed 4:2:2, every sample of plane 0 otherwise.
    const int step = format->family == avs::FormatFamily::PackedYuv422 ? 2 : 1;
    const bool wide = format->bytesPerSample == 2;
    const double scale = 1.0 / static_cast<double>(1 << std::max(format->bitDepth - 8, 0));
    const int columns = std::max(width / kBlock, 1), rows = std::max(height / kBlock, 1);
    const int blockWidth = width / columns, blockHeight = height / rows;
    Reduced reduced(static_cast<size_t>(columns) * rows, 0.0);
    for (int y = 0; y < rows * blockHeight; ++y) {
        const uint8_t* row = plane.data + static_cast<ptrdiff_t>(y) * plane.pitch;
        double* out = reduced.data() + static_cast<size_t>(y / blockHeight) * columns;
        int x = 0;
        for (int c = 0; c < columns; ++c) {
            unsigned sum = 0;
            if (wide)
                for (const int end = x + blockWidth; x < end; ++x)
                    sum += row[2 * x] | row[2 * x + 1] << 8;
            else
                for (const int end = x + blockWidth; x < end; ++x)
                    sum += row[x * step];
            out[c] += sum;
        }
    }
    const double mean = scale / (static_cast<double>(blockWidth) * blockHeight);
    for (double& v : reduced)
        v *= mean;
    return reduced;
}

double MeanSquaredDifference(const Reduced& a, const Reduced& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

// The costs of every offset in -range..+range over the frames read so far.
AlignmentResult Compare(const std::vector<Reduced>& originals, const std::vector<Reduced>& encodes, int range) {
    AlignmentResult result;
    double best = std::numeric_limits<double>::infinity(), second = best;
    for (int offset = -range; offset <= range; ++offset) {
        const size_t o0 = offset < 0 ? static_cast<size_t>(-offset) : 0;
        const size_t e0 = offset > 0 ? static_cast<size_t>(offset) : 0;
        double sum = 0.0;
        int pairs = 0;
        for (size_t i = 0; i < kStretch && o0 + i < originals.size() && e0 + i < encodes.size(); ++i, ++pairs)
            sum += MeanSquaredDifference(originals[o0 + i], encodes[e0 + i]);
        if (pairs < kMinPairs)
            continue;
        ++result.offsetsTried;
        const double cost = sum / pairs;
        if (cost < best) {
            second = best;
            best = cost;
            result.offset = offset;
        } else if (cost < second) {
            second = cost;
        }
    }
    result.bestCost = best;
    result.secondCost = second;
    result.decided = result.offsetsTried >= 2 && second >= best * kMarginFactor + kMarginFloor;
    return result;
}

} // namespace

AlignmentResult FindFrameOffset(const AvsClip& original, const AvsClip& encoded, int range, int startFrame) {
    range = std::clamp(range, 0, kMaxRange);
    if (original.width != encoded.width || original.height != encoded.height || startFrame < 0)
        return {};
    // Both clips from the start frame on, as far as the offsets searched reach: offset N >= 0
    // pairs original frames start.. with encoded frames start+N.., offset -N original frames
    // start+N.. with encoded frames start... The run reads on from the same place.
    std::vector<Reduced> originals, encodes;
    const auto readUpTo = [startFrame](const AvsClip& clip, std::vector<Reduced>& frames, int reach) {
        const long long end = std::min<long long>(static_cast<long long>(startFrame) + kStretch + reach,
                                                  clip.frameCount);
        for (long long n = startFrame + static_cast<long long>(frames.size()); n < end; ++n) {
            frames.push_back(Reduce(FetchFrame(clip, static_cast<int>(n)), clip, static_cast<int>(n)));
            if (frames.back().empty())
                return false;
        }
        return !frames.empty();
    };
    AlignmentResult result;
    // Most encodes are off by a few frames: the near offsets first, the whole range only when
    // they cannot decide or the best lies at their edge (the true one may lie beyond).
    for (const int reach : {std::min(kFirstReach, range), range}) {
        if (!readUpTo(original, originals, reach) || !readUpTo(encoded, encodes, reach) ||
            originals.front().size() != encodes.front().size())
            return {};
        result = Compare(originals, encodes, reach);
        if (result.decided && std::abs(result.offset) < reach)
            break;
    }
    if (!result.decided)
        result.offset = 0;
    return result;
}

} // namespace bv
