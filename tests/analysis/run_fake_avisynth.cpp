// A stand-in AviSynth library for the analysis run. Import(path) reads the script file:
//   clip w=32 h=24 frames=30 seed=1 noise=3 type=yuy2 fail=-1 badframe=-1 delay=0 dark=0
//   error TEXT
//   FakeSource("FILE")   (what a template makes of "$FileName": FILE is read the same way)
// Frames are drawn by fake_frames.h. Every successful open starts a short-lived thread, as a
// decoder would, and records that thread's scheduling policy.
#include "analysis/fake_frames.h"
#include "frame_source/avs_c_abi.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using bv::fake::ClipSpec;

struct FakeClip {
    AVS_VideoInfo info{};
    ClipSpec spec;
};
struct FakeFrame {
    std::vector<unsigned char> bytes;
    int pitch = 0, rowSize = 0, height = 0;
};

std::mutex mutex;
int clipsOpen = 0;
int framesOpen = 0;
int framesFetched = 0;
int workerPolicy = -1;
std::string imports;   // every path given to Import, one a line
std::string lastError; // text of the last failed fetch
int dummyEnvironment;

bool ReadFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream ss;
    ss << in.rdbuf();
    content = ss.str();
    return true;
}

uint32_t PixelType(const std::string& type) {
    if (type == "yv12")
        return 0xA0000008u;
    if (type == "rgb32")
        return 0x50000002u;
    return 0x60000004u;
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

AVS_Value ErrorValue(const std::string& text) {
    AVS_Value v{};
    v.type = 'e';
    v.d.string = strdup(text.c_str());
    return v;
}

AVS_Value Evaluate(const std::string& path, int depth) {
    std::string content;
    if (!ReadFile(path, content))
        return ErrorValue("Import: couldn't open \"" + path + "\"");
    const std::string line = content.substr(0, content.find_first_of("\r\n"));
    std::istringstream words(line);
    std::string head;
    words >> head;
    if (head == "clip") {
        auto* clip = new FakeClip;
        clip->spec = ParseSpec(words);
        clip->info.width = clip->spec.width;
        clip->info.height = clip->spec.height;
        clip->info.num_frames = clip->spec.frames;
        clip->info.pixel_type = static_cast<int32_t>(PixelType(clip->spec.type));
        ++clipsOpen;
        // A decoder thread of the clip: created by whoever opens it.
        std::thread([] {
            int policy = 0;
            sched_param p{};
            pthread_getschedparam(pthread_self(), &policy, &p);
            std::lock_guard lock(mutex);
            workerPolicy = policy;
        }).join();
        AVS_Value v{};
        v.type = 'c';
        v.d.clip = clip;
        return v;
    }
    if (head == "error") {
        std::string rest;
        std::getline(words, rest);
        return ErrorValue(rest.empty() ? rest : rest.substr(1));
    }
    if (line.rfind("FakeSource(\"", 0) == 0 && depth == 0) {
        const size_t start = 12, end = line.find('"', start);
        return Evaluate(line.substr(start, end - start), depth + 1);
    }
    return ErrorValue("Script error: there is no clip in " + path);
}

} // namespace

extern "C" {
#define FAKE_EXPORT __attribute__((visibility("default")))

FAKE_EXPORT int fake_clips_open() {
    return clipsOpen;
}
FAKE_EXPORT int fake_frames_open() {
    return framesOpen;
}
FAKE_EXPORT int fake_frames_fetched() {
    return framesFetched;
}
FAKE_EXPORT int fake_worker_policy() {
    std::lock_guard lock(mutex);
    return workerPolicy;
}
FAKE_EXPORT const char* fake_imports() {
    return imports.c_str();
}
FAKE_EXPORT void fake_reset() {
    imports.clear();
    framesFetched = 0;
    workerPolicy = -1;
}

FAKE_EXPORT AVS_ScriptEnvironment* avs_create_script_environment(int) {
    return reinterpret_cast<AVS_ScriptEnvironment*>(&dummyEnvironment);
}
FAKE_EXPORT int avs_function_exists(AVS_ScriptEnvironment*, const char* name) {
    return std::strcmp(name, "Import") == 0;
}
FAKE_EXPORT AVS_Value avs_invoke(AVS_ScriptEnvironment*, const char* name, AVS_Value args, const char**) {
    if (std::strcmp(name, "Import") != 0 || args.type != 's')
        return ErrorValue("Function Not Found");
    imports += args.d.string;
    imports += '\n';
    return Evaluate(args.d.string, 0);
}
FAKE_EXPORT AVS_Clip* avs_take_clip(AVS_Value v, AVS_ScriptEnvironment*) {
    return static_cast<AVS_Clip*>(v.d.clip);
}
FAKE_EXPORT void avs_release_value(AVS_Value) {}
FAKE_EXPORT void avs_release_clip(AVS_Clip* clip) {
    delete reinterpret_cast<FakeClip*>(clip);
    --clipsOpen;
}
FAKE_EXPORT const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return &reinterpret_cast<FakeClip*>(clip)->info;
}
FAKE_EXPORT AVS_VideoFrame* avs_get_frame(AVS_Clip* c, int n) {
    const auto* clip = reinterpret_cast<FakeClip*>(c);
    const ClipSpec& spec = clip->spec;
    if (spec.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(spec.delayMs));
    if (n == spec.fail) {
        lastError = "FakeSource: frame " + std::to_string(n) + " is damaged";
        return nullptr;
    }
    n = std::clamp(n, 0, spec.frames - 1);
    auto* frame = new FakeFrame;
    frame->rowSize = spec.width * 2;
    frame->pitch = frame->rowSize + 24;
    frame->height = n == spec.badFrame ? spec.height / 2 : spec.height;
    frame->bytes.assign(static_cast<size_t>(frame->pitch) * frame->height, 0xEE);
    for (int y = 0; y < frame->height; ++y)
        for (int i = 0; i < frame->rowSize; ++i)
            frame->bytes[static_cast<size_t>(y) * frame->pitch + i] = bv::fake::Sample(spec, i, y, n);
    ++framesOpen;
    ++framesFetched;
    return reinterpret_cast<AVS_VideoFrame*>(frame);
}
FAKE_EXPORT const char* avs_clip_get_error(AVS_Clip*) {
    return lastError.c_str();
}
FAKE_EXPORT void avs_release_video_frame(AVS_VideoFrame* frame) {
    delete reinterpret_cast<FakeFrame*>(frame);
    --framesOpen;
}
FAKE_EXPORT const unsigned char* avs_get_read_ptr_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->bytes.data();
}
FAKE_EXPORT int avs_get_pitch_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->pitch;
}
FAKE_EXPORT int avs_get_row_size_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->rowSize;
}
FAKE_EXPORT int avs_get_height_p(const AVS_VideoFrame* f, int) {
    return reinterpret_cast<const FakeFrame*>(f)->height;
}
}
