// Fuzzes the video side of the built-in server: the input is written to a file and opened
// through FFVideoSource (indexing, the video's information, then every frame). Every bad file
// must end in a ScriptError, never in a crash, a sanitizer report or a hang.
#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
// Frames past these are not fetched: the fuzzer looks for faults, not for slow decoding.
constexpr int kMaxFrames = 64;
constexpr int64_t kMaxFetchedPixels = 1 << 22;

const std::string& InputPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/bv_video_fuzz_" +
               std::to_string(::getpid());
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace bv::builtin;
    const std::string& path = InputPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) // an empty input may come with no buffer at all
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    ScriptEngine env;
    try {
        const Value v = env.EvaluateText("FFVideoSource(\"" + path + "\", cache=false)", "fuzz.avs", "");
        if (v.isClip()) {
            const ClipPtr& clip = v.asClip();
            const VideoInfo& vi = clip->info();
            if (int64_t{vi.width} * vi.height <= kMaxFetchedPixels) {
                for (int n = 0; n < vi.frameCount && n < kMaxFrames; ++n) {
                    FramePtr f = clip->GetFrame(n);
                    volatile uint8_t sink = f->data(0)[0];
                    (void)sink;
                }
            }
        }
    } catch (const ScriptError&) {
    }
    ::unlink(path.c_str());
    return 0;
}
