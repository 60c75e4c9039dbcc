#include "avs_builtin/splice.h"

#include "avs_builtin/script_error.h"

namespace bv::builtin {

namespace {
class SpliceClip : public Clip {
public:
    SpliceClip(ClipPtr a, ClipPtr b) : a_(std::move(a)), b_(std::move(b)) {
        info_ = a_->info();
        info_.frameCount = a_->info().frameCount + b_->info().frameCount;
    }
    FramePtr GetFrame(int n) override {
        const int split = a_->info().frameCount;
        return n < split ? a_->GetFrame(n) : b_->GetFrame(n - split);
    }

private:
    ClipPtr a_, b_;
};
} // namespace

ClipPtr MakeSplice(ClipPtr first, ClipPtr second) {
    const VideoInfo& a = first->info();
    const VideoInfo& b = second->info();
    if (a.width != b.width || a.height != b.height)
        throw ScriptError("Splice: Frame sizes don't match");
    if (a.format != b.format)
        throw ScriptError("Splice: Video formats don't match");
    if (int64_t{a.frameCount} + b.frameCount > kMaxFrameCount)
        throw ScriptError("Splice: the joined clip would be too long");
    return std::make_shared<SpliceClip>(std::move(first), std::move(second));
}

} // namespace bv::builtin
