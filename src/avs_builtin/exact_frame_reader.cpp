#include "avs_builtin/exact_frame_reader.h"

#include "avs_builtin/frame_hash.h"
#include "avs_builtin/script_error.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ffms.h>
#include <mutex>
#include <sys/stat.h>
#include <utility>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace bv::builtin {

namespace {
struct ErrorBuffer {
    char text[1024] = {};
    FFMS_ErrorInfo info{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, sizeof text, text};
};
// How far either side of the asked frame a misplaced seek is looked for.
constexpr int kSeekSearch = 8;
// Trailing key frames tried at opening; a longer undecodable tail shows up while reading.
constexpr int kTailProbe = 4;

// The first error a decoder reported on this thread while a frame was being fetched. FFMS2
// keeps such failures to itself and returns the previous frame, so FFmpeg's log is the only
// place they show. Decoders working on threads of their own are not seen here.
thread_local std::string* decoderErrors = nullptr;

extern "C" void LogDecoderErrors(void* context, int level, const char* format, va_list args) {
    if (decoderErrors != nullptr && decoderErrors->empty() && level <= AV_LOG_ERROR && context != nullptr) {
        const AVClass* kind = *static_cast<const AVClass* const*>(context);
        if (kind != nullptr && std::strcmp(kind->class_name, "AVCodecContext") == 0) {
            char text[512];
            va_list copy;
            va_copy(copy, args);
            std::vsnprintf(text, sizeof text, format, copy);
            va_end(copy);
            std::string message = text;
            while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
                message.pop_back();
            *decoderErrors = message.empty() ? "decoding error" : message;
        }
    }
    av_log_default_callback(context, level, format, args);
}

class DecoderErrorScope {
public:
    DecoderErrorScope() : previous_(decoderErrors) {
        static std::once_flag installed;
        std::call_once(installed, [] { av_log_set_callback(LogDecoderErrors); });
        decoderErrors = &errors_;
    }
    ~DecoderErrorScope() { decoderErrors = previous_; }
    DecoderErrorScope(const DecoderErrorScope&) = delete;
    DecoderErrorScope& operator=(const DecoderErrorScope&) = delete;
    const std::string& errors() const { return errors_; }

private:
    std::string errors_;
    std::string* previous_;
};
} // namespace

ExactFrameReader::FileState ExactFrameReader::StateOf(const std::string& path) {
    FileState state;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        state.device = st.st_dev;
        state.inode = st.st_ino;
        state.size = st.st_size;
        state.modified = st.st_mtim;
    }
    return state;
}

ExactFrameReader::ExactFrameReader(FfmsIndexPtr index, const std::string& path, int track, int threads,
                                   std::string who)
    : index_(std::move(index)), path_(path), track_(track), threads_(threads), who_(std::move(who)),
      fileState_(StateOf(path)) {
    linear_.source = OpenLinear();
    properties_ = *FFMS_GetVideoProperties(linear_.source);
    frameCount_ = std::max(properties_.NumFrames, 0);
    FFMS_Track* t = FFMS_GetTrackFromVideo(linear_.source);
    keyframeAtOrBefore_.resize(static_cast<size_t>(frameCount_));
    int lastKey = 0;
    for (int i = 0; i < frameCount_; ++i) {
        const FFMS_FrameInfo* info = FFMS_GetFrameInfo(t, i);
        if (info != nullptr && info->KeyFrame)
            lastKey = i;
        keyframeAtOrBefore_[i] = lastKey;
    }
    if (frameCount_ > 0 && keyframeAtOrBefore_[frameCount_ - 1] == frameCount_ - 1)
        frameCount_ = DecodableFrameCount();
    fingerprints_.resize(static_cast<size_t>(frameCount_));
}

int ExactFrameReader::DecodableFrameCount() {
    // Each trailing key frame decodes on its own: try the last few through a seeking reader.
    Reader probe;
    probe.source = Open(FFMS_SEEK_NORMAL);
    int count = frameCount_;
    try {
        while (count > 1 && frameCount_ - count < kTailProbe && keyframeAtOrBefore_[count - 1] == count - 1 &&
               Fetch(probe, count - 1, true) == nullptr)
            --count;
    } catch (...) {
        FFMS_DestroyVideoSource(probe.source);
        throw;
    }
    FFMS_DestroyVideoSource(probe.source);
    return count;
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
    return source;
}

FFMS_VideoSource* ExactFrameReader::OpenLinear() {
    // Opening decodes the first frames to learn the format (16 of them for H.264 with B-frames:
    // FFMS2 assumes the longest reorder delay). FFMS2's rewinding linear mode then seeks back
    // and decodes them all again; its mode without rewinding goes on from them, so it is the one
    // used, and going back reopens the track. Errors the decoder reports while opening are not
    // tied to a frame, so then the rewinding mode decodes those frames again under the check.
    DecoderErrorScope decoder;
    FFMS_VideoSource* source = Open(FFMS_SEEK_LINEAR_NO_RW);
    if (decoder.errors().empty())
        return source;
    FFMS_DestroyVideoSource(source);
    return Open(FFMS_SEEK_LINEAR);
}

const FFMS_Frame* ExactFrameReader::Fetch(Reader& reader, int n, bool mayFail) {
    ErrorBuffer e;
    DecoderErrorScope decoder;
    const FFMS_Frame* f = FFMS_GetFrame(reader.source, n, &e.info);
    if (f == nullptr) {
        reader.next = -1; // unknown: the next read is treated as a jump
        throw ScriptError(who_ + ": " + e.text);
    }
    // Checked after the frame: when the file is still as it was opened, every byte read
    // for this frame was the file's own.
    std::string problem;
    if (!(StateOf(path_) == fileState_))
        problem = "the file changed while it was read";
    else if (!decoder.errors().empty())
        problem = decoder.errors();
    if (problem.empty()) {
        reader.next = n + 1;
        return f;
    }
    reader.next = -1;
    if (mayFail)
        return nullptr;
    throw ScriptError(who_ + ": frame " + std::to_string(n) + " of \"" + path_ + "\" cannot be decoded (" +
                      problem + ")");
}

uint64_t ExactFrameReader::Fingerprint(const FFMS_Frame& frame) const {
    // The decoded picture's own planes and sizes: the stream may change format or size.
    FrameHasher hasher;
    const auto format = static_cast<AVPixelFormat>(frame.EncodedPixelFormat);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    int rowBytes[4] = {};
    if (d == nullptr || av_image_fill_linesizes(rowBytes, format, frame.EncodedWidth) < 0)
        return hasher.Digest();
    for (int p = 0; p < 4; ++p) {
        if (rowBytes[p] <= 0 || frame.Data[p] == nullptr)
            continue;
        const bool chroma = (p == 1 || p == 2) && (d->flags & AV_PIX_FMT_FLAG_PAL) == 0;
        const int rows = chroma ? -((-frame.EncodedHeight) >> d->log2_chroma_h) : frame.EncodedHeight;
        for (int y = 0; y < rows; ++y)
            hasher.Add(frame.Data[p] + static_cast<ptrdiff_t>(y) * frame.Linesize[p], static_cast<size_t>(rowBytes[p]));
    }
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
    } else if (n == linear_.next - 1) {
        f = Fetch(linear_, n); // the frame the linear reader holds: no decoding
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
    // A freshly opened track is read from frame 0: FFMS2 decodes up to n by itself. Frames
    // past those already fingerprinted are walked one by one so that their fingerprints are
    // recorded.
    linear_.next = -1;
    if (linear_.source != nullptr)
        FFMS_DestroyVideoSource(std::exchange(linear_.source, nullptr));
    linear_.source = OpenLinear();
    linear_.next = 0;
    if (n >= known_) {
        if (known_ > 0)
            Fetch(linear_, known_ - 1);
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
            const FFMS_Frame* f = Fetch(seeker_, target, true);
            seeker_.next = -1; // its numbering is off; never read on from it unchecked
            if (f != nullptr && Fingerprint(*f) == fingerprints_[n])
                return f;
        }
    }
    // Open-GOP seeks may make the decoder complain about frames it then drops: a seek that
    // did not decode cleanly is left to the linear reader.
    const FFMS_Frame* f = Fetch(seeker_, n, true);
    if (f == nullptr)
        return nullptr;
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
            f = Fetch(seeker_, target, true);
            seeker_.next = -1;
            if (f == nullptr || Fingerprint(*f) != fingerprints_[n])
                return nullptr;
            if (!readsOn)
                seekShift_[key] = m - n;
            return f;
        }
    }
    return nullptr;
}

} // namespace bv::builtin
