#include "avs_builtin/exact_frame_reader.h"

#include "avs_builtin/frame_hash.h"
#include "avs_builtin/script_error.h"

#include <algorithm>
#include <ffms.h>

namespace bv::builtin {

namespace {
struct ErrorBuffer {
    char text[1024] = {};
    FFMS_ErrorInfo info{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, sizeof text, text};
};
// How far either side of the asked frame a misplaced seek is looked for.
constexpr int kSeekSearch = 8;
} // namespace

ExactFrameReader::ExactFrameReader(FfmsIndexPtr index, const std::string& path, int track, int threads,
                                   std::string who)
    : index_(std::move(index)), path_(path), track_(track), threads_(threads), who_(std::move(who)) {
    linear_.source = Open(FFMS_SEEK_LINEAR);
    properties_ = FFMS_GetVideoProperties(linear_.source);
    frameCount_ = std::max(properties_->NumFrames, 0);
    FFMS_Track* t = FFMS_GetTrackFromVideo(linear_.source);
    keyframeAtOrBefore_.resize(static_cast<size_t>(frameCount_));
    int lastKey = 0;
    for (int i = 0; i < frameCount_; ++i) {
        const FFMS_FrameInfo* info = FFMS_GetFrameInfo(t, i);
        if (info != nullptr && info->KeyFrame)
            lastKey = i;
        keyframeAtOrBefore_[i] = lastKey;
    }
    fingerprints_.resize(static_cast<size_t>(frameCount_));
}

ExactFrameReader::~ExactFrameReader() {
    if (linear_.source != nullptr)
        FFMS_DestroyVideoSource(linear_.source);
    if (seeker_.source != nullptr)
        FFMS_DestroyVideoSource(seeker_.source);
}

FFMS_VideoSource* ExactFrameReader::Open(int seekMode) {
    ErrorBuffer e;
    FFMS_VideoSource* source =
        FFMS_CreateVideoSource(path_.c_str(), track_, index_.get(), threads_, seekMode, &e.info);
    if (source == nullptr)
        throw ScriptError(who_ + ": " + e.text);
    if (outputSet_) {
        const int formats[2] = {outFormat_, -1};
        if (FFMS_SetOutputFormatV2(source, formats, outWidth_, outHeight_, outResizer_, &e.info) != 0) {
            FFMS_DestroyVideoSource(source);
            throw ScriptError(who_ + ": " + e.text);
        }
    }
    return source;
}

const FFMS_Frame& ExactFrameReader::FirstFrame() {
    return *Fetch(linear_, 0);
}

void ExactFrameReader::SetOutputFormat(int pixelFormat, int width, int height, int resizer,
                                       std::vector<PlaneShape> shape) {
    const int formats[2] = {pixelFormat, -1};
    ErrorBuffer e;
    if (FFMS_SetOutputFormatV2(linear_.source, formats, width, height, resizer, &e.info) != 0)
        throw ScriptError(who_ + ": " + e.text);
    outputSet_ = true;
    outFormat_ = pixelFormat;
    outWidth_ = width;
    outHeight_ = height;
    outResizer_ = resizer;
    shape_ = std::move(shape);
    // FFMS2 keeps the last decoded frame and hands it out again in the new format.
    if (linear_.next == 1)
        linear_.next = 0;
}

const FFMS_Frame* ExactFrameReader::Fetch(Reader& reader, int n) {
    ErrorBuffer e;
    const FFMS_Frame* f = FFMS_GetFrame(reader.source, n, &e.info);
    if (f == nullptr) {
        reader.next = -1; // unknown: the next read is treated as a jump
        throw ScriptError(who_ + ": " + e.text);
    }
    reader.next = n + 1;
    return f;
}

uint64_t ExactFrameReader::Fingerprint(const FFMS_Frame& frame) const {
    FrameHasher hasher;
    for (size_t p = 0; p < shape_.size(); ++p)
        for (int y = 0; y < shape_[p].rows; ++y)
            hasher.Add(frame.Data[p] + static_cast<ptrdiff_t>(y) * frame.Linesize[p],
                       static_cast<size_t>(shape_[p].rowBytes));
    return hasher.Digest();
}

const FFMS_Frame& ExactFrameReader::Get(int n) {
    const FFMS_Frame* f = nullptr;
    if (linear_.next >= 0 && n >= linear_.next) {
        // Ahead of the linear reader: read on, unless a seek is clearly cheaper and its
        // result can be checked.
        if (n < known_ && SeekCost(n) < n - linear_.next + 1)
            f = FromSeeker(n);
        if (f == nullptr)
            f = Walk(n);
    } else {
        if (n < known_ && SeekCost(n) < n + 1)
            f = FromSeeker(n);
        if (f == nullptr)
            f = Restart(n);
    }
    return *f;
}

const FFMS_Frame* ExactFrameReader::Walk(int n) {
    const FFMS_Frame* f = nullptr;
    for (int k = linear_.next; k <= n; ++k) {
        f = Fetch(linear_, k);
        ++stats_.linearFrames;
        if (k == known_)
            fingerprints_[known_++] = Fingerprint(*f);
    }
    return f;
}

const FFMS_Frame* ExactFrameReader::Restart(int n) {
    ++stats_.linearRestarts;
    // FFMS2's linear mode decodes from frame 0 up to n by itself. Frames past those already
    // fingerprinted are walked one by one so that their fingerprints are recorded.
    if (n >= known_) {
        if (known_ > 0)
            Fetch(linear_, known_ - 1);
        else
            linear_.next = 0;
        return Walk(n);
    }
    return Fetch(linear_, n);
}

int ExactFrameReader::SeekCost(int n) const {
    const int key = keyframeAtOrBefore_[n];
    if (seeker_.source != nullptr && seeker_.next >= 0 && seeker_.next <= n && key < seeker_.next)
        return n - seeker_.next + 1; // reads on without seeking
    return n - key + 1;
}

const FFMS_Frame* ExactFrameReader::FromSeeker(int n) {
    if (seeker_.source == nullptr) {
        seeker_.source = Open(FFMS_SEEK_NORMAL);
        seeker_.next = -1;
    }
    ++stats_.seeks;
    const int key = keyframeAtOrBefore_[n];
    const bool readsOn = seeker_.next >= 0 && seeker_.next <= n && key < seeker_.next;
    // A seek after this keyframe was off before: ask for the frame that lands on n.
    if (auto shift = seekShift_.find(key); !readsOn && shift != seekShift_.end()) {
        const int target = n - shift->second;
        if (target >= key && target < frameCount_) {
            const FFMS_Frame* f = Fetch(seeker_, target);
            seeker_.next = -1; // its numbering is off; never read on from it unchecked
            if (Fingerprint(*f) == fingerprints_[n])
                return f;
        }
    }
    const FFMS_Frame* f = Fetch(seeker_, n);
    const uint64_t got = Fingerprint(*f);
    if (got == fingerprints_[n]) {
        if (!readsOn)
            seekShift_.erase(key);
        return f;
    }
    ++stats_.seekMisses;
    seeker_.next = -1;
    // Which frame did the seek deliver? Ask again, shifted by the opposite amount.
    for (int d = 1; d <= kSeekSearch; ++d) {
        for (int m : {n + d, n - d}) {
            if (m < 0 || m >= known_ || fingerprints_[m] != got)
                continue;
            const int target = n - (m - n);
            if (target < 0 || target >= frameCount_)
                return nullptr;
            f = Fetch(seeker_, target);
            seeker_.next = -1;
            if (Fingerprint(*f) != fingerprints_[n])
                return nullptr;
            if (!readsOn)
                seekShift_[key] = m - n;
            return f;
        }
    }
    return nullptr;
}

} // namespace bv::builtin
