// A stand-in AviSynth library for the analysis run. Import(path) reads the script file:
//   clip w=32 h=24 frames=30 seed=1 noise=3 type=yuy2 fail=-1 badframe=-1 delay=0 dark=0
//   error TEXT
//   FakeSource("FILE")   (what a template makes of "$FileName": FILE is read the same way)
// Frames are drawn by fake_frames.h. Every successful open starts a short-lived thread, as a
// decoder would, and records that thread's scheduling policy; every fetch records the policy of
// the thread that fetches.
#include "analysis/fake_frames.h"
#include "support/stand_in_avs.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sstream>
#include <thread>

namespace bv::standin {

namespace {

using bv::fake::ClipSpec;

std::mutex mutex;
int workerPolicy = -1;
int fetchPolicy = -1;

int ThisThreadPolicy() {
    int policy = 0;
    sched_param p{};
    pthread_getschedparam(pthread_self(), &policy, &p);
    return policy;
}
std::string imports; // every path given to Import, one a line

uint32_t PixelType(const std::string& type) {
    if (type == "yv12")
        return avs::kCsYv12;
    if (type == "rgb32")
        return avs::kCsRgb32;
    return avs::kCsYuy2;
}

ClipSpec ParseSpec(std::istringstream& words) {
    ClipSpec c;
    std::string word;
    while (words >> word) {
        const auto eq = word.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
        if (key == "type")
            c.type = value;
        else {
            const int v = std::atoi(value.c_str());
            if (key == "w")
                c.width = v;
            else if (key == "h")
                c.height = v;
            else if (key == "frames")
                c.frames = v;
            else if (key == "seed")
                c.seed = v;
            else if (key == "noise")
                c.noise = v;
            else if (key == "dark")
                c.dark = v != 0;
            else if (key == "fail")
                c.fail = v;
            else if (key == "badframe")
                c.badFrame = v;
            else if (key == "delay")
                c.delayMs = v;
        }
    }
    return c;
}

class DrawnClip : public Clip {
public:
    explicit DrawnClip(const ClipSpec& spec)
        : Clip(VideoInfo(PixelType(spec.type), spec.width, spec.height, spec.frames)), spec_(spec) {}

    std::unique_ptr<Frame> Fetch(int n) override {
        {
            std::lock_guard lock(mutex);
            fetchPolicy = ThisThreadPolicy();
        }
        if (spec_.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(spec_.delayMs));
        if (n == spec_.fail)
            return Fail("FakeSource: frame " + std::to_string(n) + " is damaged");
        n = std::clamp(n, 0, spec_.frames - 1);
        const int rowSize = spec_.width * 2;
        const int height = n == spec_.badFrame ? spec_.height / 2 : spec_.height;
        auto frame = std::make_unique<Frame>(rowSize, rowSize + 24, height, 0xEE);
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < rowSize; ++i)
                frame->Row(y)[i] = bv::fake::Sample(spec_, i, y, n);
        return frame;
    }

private:
    const ClipSpec spec_;
};

// A decoder thread of the clip: created by whoever opens it.
void StartDecoderThread() {
    std::thread([] {
        const int policy = ThisThreadPolicy();
        std::lock_guard lock(mutex);
        workerPolicy = policy;
    }).join();
}

AVS_Value Evaluate(const std::string& path, int depth) {
    const std::optional<std::string> line = FirstLine(path);
    if (!line)
        return ErrorValue("Import: couldn't open \"" + path + "\"");
    std::istringstream words(*line);
    std::string head;
    words >> head;
    if (head == "clip") {
        auto clip = std::make_unique<DrawnClip>(ParseSpec(words));
        StartDecoderThread();
        return ClipValue(std::move(clip));
    }
    if (head == "error") {
        std::string rest;
        std::getline(words, rest);
        return ErrorValue(rest.empty() ? rest : rest.substr(1));
    }
    if (line->rfind("FakeSource(\"", 0) == 0 && depth == 0) {
        const size_t start = 12, end = line->find('"', start);
        return Evaluate(line->substr(start, end - start), depth + 1);
    }
    return ErrorValue("Script error: there is no clip in " + path);
}

} // namespace

AVS_Value Import(const std::string& path) {
    imports += path + '\n';
    return Evaluate(path, 0);
}

} // namespace bv::standin

using namespace bv::standin;

STAND_IN_EXPORT int fake_worker_policy() {
    std::lock_guard lock(mutex);
    return workerPolicy;
}
STAND_IN_EXPORT int fake_fetch_policy() {
    std::lock_guard lock(mutex);
    return fetchPolicy;
}
STAND_IN_EXPORT const char* fake_imports() {
    return imports.c_str();
}
STAND_IN_EXPORT void fake_reset() {
    imports.clear();
    std::lock_guard lock(mutex);
    workerPolicy = -1;
    fetchPolicy = -1;
}
