// Fuzzes the script parser and evaluator with arbitrary script text. Files are out of
// reach (Import and the source filters fail as for missing files); clips the script makes
// are asked for a few frames so the filters run too.
#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
// Frames larger than this are not fetched: the allocation limits are tested, not the RAM.
constexpr int64_t kMaxFetchedPixels = 1 << 20;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace bv::builtin;
    ScriptEngine env(EnvironmentOptions{false});
    try {
        const Value v =
            env.EvaluateText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.avs", "");
        if (!v.isClip())
            return 0;
        const ClipPtr& clip = v.asClip();
        const VideoInfo& vi = clip->info();
        if (vi.frameCount <= 0 || int64_t{vi.width} * vi.height > kMaxFetchedPixels)
            return 0;
        for (int n : {0, vi.frameCount / 2, vi.frameCount - 1}) {
            FramePtr f = clip->GetFrame(n);
            volatile uint8_t sink = f->data(0)[0];
            (void)sink;
        }
    } catch (const ScriptError&) {
    }
    return 0;
}
