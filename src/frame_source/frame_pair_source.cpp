#include "frame_source/frame_pair_source.h"

#include "frame_source/avs_error.h"
#include "frame_source/script_environment.h"

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

void FramePair::Release() {
    if (source_ != nullptr) {
        source_->GiveBack(*this);
        source_ = nullptr;
    }
    original.Release();
    encoded.Release();
}

FramePairSource::FramePairSource(const AvsClip& original, const std::string& originalPath,
                                 const AvsClip& encoded, const std::string& encodedPath, int first, int last,
                                 int encodedOffset)
    : original_(original), encoded_(encoded), originalPath_(originalPath), encodedPath_(encodedPath),
      next_(first), first_(first), last_(last), offset_(encodedOffset) {
    const ScriptEnvironment* a = original.environment;
    const ScriptEnvironment* b = encoded.environment;
    if (a != nullptr && b != nullptr && a != b && a->library().isBuiltin() && b->library().isBuiltin())
        lanes_ = 2;
}

FramePairSource::~FramePairSource() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (lastHandedOut_ != nullptr)
            lastHandedOut_->source_ = nullptr; // released directly from now on: the readers are gone
    }
    changed_.notify_all();
    for (Lane& lane : lane_) {
        if (lane.reader.joinable())
            lane.reader.join();
        for (FrameView& frame : lane.handedBack)
            frame.Release();
        for (Fetched& fetched : lane.ready) {
            fetched.original.Release();
            fetched.encoded.Release();
        }
    }
}

void FramePairSource::GiveBack(FramePair& pair) {
    {
        std::lock_guard lock(mutex_);
        if (pair.original.isValid())
            LaneOf(true).handedBack.push_back(std::move(pair.original));
        if (pair.encoded.isValid())
            LaneOf(false).handedBack.push_back(std::move(pair.encoded));
        if (lastHandedOut_ == &pair)
            lastHandedOut_ = nullptr;
    }
    changed_.notify_all();
}

void FramePairSource::Read(int index) {
    Lane& lane = lane_[index];
    const bool fetchesOriginal = index == 0;
    const bool fetchesEncoded = index == 1 || lanes_ == 1;
    std::vector<FrameView> releasing;
    long long f = first_;
    bool ended = false; // past the last frame, or a fetch failed
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] {
            return stopping_ || !lane.handedBack.empty() || (!ended && lane.ready.size() < kReadAhead);
        });
        if (!lane.handedBack.empty()) {
            releasing.swap(lane.handedBack);
            lock.unlock();
            for (FrameView& frame : releasing)
                frame.Release();
            releasing.clear();
            lock.lock();
            continue;
        }
        if (stopping_)
            return;
        Fetched fetched;
        fetched.number = static_cast<int>(f);
        lock.unlock();
        try {
            if (fetchesOriginal)
                fetched.original = FetchFrame(original_, fetched.number);
            if (fetchesEncoded)
                fetched.encoded = FetchFrame(encoded_, fetched.number + offset_);
        } catch (...) {
            fetched.error = std::current_exception();
            fetched.original.Release();
        }
        lock.lock();
        ended = fetched.error != nullptr || ++f > last_;
        lane.ready.push_back(std::move(fetched));
        changed_.notify_all();
    }
}

bool FramePairSource::Ready() const {
    const std::deque<Fetched>& originals = lane_[0].ready;
    return !originals.empty() &&
           (lanes_ == 1 || originals.front().error != nullptr || !lane_[1].ready.empty());
}

bool FramePairSource::Next(FramePair& pair) {
    pair.Release();
    if (next_ > last_)
        return false;
    for (int i = 0; i < lanes_; ++i)
        if (!lane_[i].reader.joinable())
            lane_[i].reader = std::thread([this, i] { Read(i); });
    Fetched fetched;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return Ready(); });
        fetched = std::move(lane_[0].ready.front());
        lane_[0].ready.pop_front();
        // The original's error comes first, as when one reader fetches both.
        if (lanes_ == 2 && fetched.error == nullptr) {
            Fetched& encoded = lane_[1].ready.front();
            fetched.encoded = std::move(encoded.encoded);
            fetched.error = encoded.error;
            lane_[1].ready.pop_front();
            if (fetched.error != nullptr)
                lane_[0].handedBack.push_back(std::move(fetched.original));
        }
    }
    changed_.notify_all();
    const int f = static_cast<int>(next_++);
    if (fetched.error != nullptr) {
        next_ = static_cast<long long>(last_) + 1; // no pair follows a failure
        std::rethrow_exception(fetched.error);
    }
    {
        std::lock_guard lock(mutex_);
        pair.source_ = this;
        lastHandedOut_ = &pair;
    }
    pair.number = f;
    pair.encodedNumber = f + offset_;
    pair.original = std::move(fetched.original);
    pair.encoded = std::move(fetched.encoded);
    CheckFrameGeometry(pair.original, original_, originalPath_, f);
    CheckFrameGeometry(pair.encoded, original_, encodedPath_, pair.encodedNumber);
    pair.width = original_.width;
    pair.height = original_.height;
    return true;
}

} // namespace bv
