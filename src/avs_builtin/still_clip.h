// A clip whose frames are all one picture, drawn on first use (BlankClip, ColorBars, Version).
#pragma once

#include "avs_builtin/clip.h"

#include <functional>
#include <mutex>

namespace bv::builtin {

class StillClip : public Clip {
public:
    using Painter = std::function<FramePtr(const VideoInfo&)>;
    StillClip(const VideoInfo& info, Painter painter) : painter_(std::move(painter)) { info_ = info; }

    FramePtr GetFrame(int) override {
        std::lock_guard lock(mutex_);
        if (!frame_)
            frame_ = painter_(info_);
        return frame_;
    }

private:
    Painter painter_;
    std::mutex mutex_;
    FramePtr frame_;
};

} // namespace bv::builtin
