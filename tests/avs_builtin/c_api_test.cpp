// The exported C entry points, loaded with dlopen as the program loads them: the layout,
// reference counting in any release order, planes, errors.
#include "avs_test_support.h"
#include "avs_abi/avs_c_abi.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace bv::builtin::test {
namespace {

struct Api {
    void* handle = nullptr;
    template <typename Fn>
    Fn Get(const char* name) {
        auto fn = reinterpret_cast<Fn>(dlsym(handle, name));
        if (fn == nullptr)
            throw std::runtime_error(std::string("missing ") + name);
        return fn;
    }
    avs::CreateScriptEnvironmentFn create;
    avs::DeleteScriptEnvironmentFn destroy;
    avs::InvokeFn invoke;
    avs::FunctionExistsFn exists;
    avs::TakeClipFn take;
    avs::ReleaseValueFn releaseValue;
    avs::ReleaseClipFn releaseClip;
    avs::GetVideoInfoFn info;
    avs::GetFrameFn frame;
    avs::ClipGetErrorFn clipError;
    avs::ReleaseVideoFrameFn releaseFrame;
    avs::GetReadPtrPFn ptr;
    avs::GetPitchPFn pitch;
    avs::GetRowSizePFn rowSize;
    avs::GetHeightPFn height;
    avs::GetErrorFn error;
    avs::GetVersionFn version;

    Api() {
        const auto path =
            std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libbrevanta_avs.so";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw std::runtime_error(dlerror());
        create = Get<avs::CreateScriptEnvironmentFn>("avs_create_script_environment");
        destroy = Get<avs::DeleteScriptEnvironmentFn>("avs_delete_script_environment");
        invoke = Get<avs::InvokeFn>("avs_invoke");
        exists = Get<avs::FunctionExistsFn>("avs_function_exists");
        take = Get<avs::TakeClipFn>("avs_take_clip");
        releaseValue = Get<avs::ReleaseValueFn>("avs_release_value");
        releaseClip = Get<avs::ReleaseClipFn>("avs_release_clip");
        info = Get<avs::GetVideoInfoFn>("avs_get_video_info");
        frame = Get<avs::GetFrameFn>("avs_get_frame");
        clipError = Get<avs::ClipGetErrorFn>("avs_clip_get_error");
        releaseFrame = Get<avs::ReleaseVideoFrameFn>("avs_release_video_frame");
        ptr = Get<avs::GetReadPtrPFn>("avs_get_read_ptr_p");
        pitch = Get<avs::GetPitchPFn>("avs_get_pitch_p");
        rowSize = Get<avs::GetRowSizePFn>("avs_get_row_size_p");
        height = Get<avs::GetHeightPFn>("avs_get_height_p");
        error = Get<avs::GetErrorFn>("avs_get_error");
        version = Get<avs::GetVersionFn>("avs_get_version");
    }
};

class CApi : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CACHE_HOME", (cache_ / "c").c_str(), 1);
        env_ = api_.create(2);
        ASSERT_NE(env_, nullptr);
    }
    void TearDown() override {
        if (env_ != nullptr)
            api_.destroy(env_);
    }
    AVS_Value Call(const char* name, std::vector<AVS_Value> args, std::vector<const char*> names = {}) {
        names.resize(args.size(), nullptr);
        return api_.invoke(env_, name, avs::NewValueArray(args.data(), static_cast<int>(args.size())),
                           names.data());
    }
    AVS_Value Int(int i) {
        AVS_Value v{};
        v.type = avs::kTypeInt;
        v.d.integer = i;
        return v;
    }

    TempFolder cache_;
    Api api_;
    AVS_ScriptEnvironment* env_ = nullptr;
};

TEST_F(CApi, InterfaceVersionsAndFunctionLookup) {
    EXPECT_EQ(api_.create(13), nullptr); // above what AviSynth+ offers
    AVS_ScriptEnvironment* v12 = api_.create(12);
    EXPECT_NE(v12, nullptr);
    api_.destroy(v12);
    EXPECT_NE(api_.exists(env_, "Import"), 0);
    EXPECT_NE(api_.exists(env_, "converttoyuy2"), 0);
    EXPECT_EQ(api_.exists(env_, "AviSource"), 0); // Linux: scripts are opened with Import
    EXPECT_EQ(api_.exists(env_, "NoSuchFilter"), 0);
}

TEST_F(CApi, CallsThatFitNothingAreFunctionNotFound) {
    for (AVS_Value v : {Call("NoSuchFilter", {}), Call("Trim", {Int(1)}),
                        api_.invoke(env_, "Version", AVS_Value{}, nullptr)}) { // void: not an empty array
        ASSERT_TRUE(avs::IsError(v));
        EXPECT_STREQ(avs::AsError(v), "Function Not Found");
        EXPECT_STREQ(api_.error(env_), "Function Not Found");
        api_.releaseValue(v);
    }
    const AVS_Value ok = Call("VersionString", {});
    EXPECT_EQ(ok.type, avs::kTypeString);
    EXPECT_EQ(api_.error(env_), nullptr);
    const AVS_Value missing = api_.invoke(env_, "Import", avs::NewValueString("/no/x.avs"), nullptr);
    EXPECT_STREQ(avs::AsError(missing), "Import: couldn't open \"/no/x.avs\"");
}

TEST_F(CApi, ReferencesSurviveAnyReleaseOrder) {
    AVS_Value args[] = {Int(5), avs::NewValueString("YV12"), Int(64), Int(48)};
    const char* names[] = {"length", "pixel_type", "width", "height"};
    AVS_Value v = api_.invoke(env_, "BlankClip", avs::NewValueArray(args, 4), names);
    ASSERT_EQ(v.type, avs::kTypeClip);
    AVS_Clip* clip = api_.take(v, env_);
    api_.releaseValue(v); // the clip handle holds its own reference
    const AVS_VideoInfo* vi = api_.info(clip);
    EXPECT_EQ(vi->width, 64);
    EXPECT_EQ(vi->num_frames, 5);
    EXPECT_EQ(static_cast<uint32_t>(vi->pixel_type), avs::kCsYv12);
    EXPECT_EQ(api_.version(clip), 6);
    api_.destroy(env_); // clips outlive their environment
    env_ = nullptr;
    AVS_VideoFrame* f = api_.frame(clip, 99); // clamped to the last frame
    ASSERT_NE(f, nullptr);
    api_.releaseClip(clip); // and frames outlive their clip
    EXPECT_EQ(api_.rowSize(f, 0), 64);
    EXPECT_EQ(api_.height(f, 0), 48);
    EXPECT_EQ(api_.ptr(f, 0), api_.ptr(f, avs::kPlaneY));
    EXPECT_EQ(api_.rowSize(f, avs::kPlaneU), 32);
    EXPECT_EQ(api_.height(f, avs::kPlaneV), 24);
    EXPECT_NE(api_.ptr(f, avs::kPlaneU), api_.ptr(f, avs::kPlaneV));
    EXPECT_EQ(api_.ptr(f, 0)[0], 16);             // black
    EXPECT_EQ(api_.ptr(f, avs::kPlaneV)[0], 128); // neutral chroma
    api_.releaseFrame(f);
}

TEST_F(CApi, PackedFramesHaveOnePlane) {
    AVS_Value args[] = {Int(720), Int(576), avs::NewValueString("YUY2")};
    AVS_Value v = Call("ColorBars", {args[0], args[1], args[2]});
    AVS_Clip* clip = api_.take(v, env_);
    api_.releaseValue(v);
    AVS_VideoFrame* f = api_.frame(clip, 0);
    EXPECT_EQ(api_.rowSize(f, 0), 1440);
    EXPECT_EQ(api_.pitch(f, 0), 1472);
    EXPECT_EQ(api_.rowSize(f, avs::kPlaneY | 8), 1440); // the aligned row size
    EXPECT_EQ(api_.ptr(f, avs::kPlaneU), nullptr);
    EXPECT_EQ(api_.pitch(f, avs::kPlaneU), 0);
    api_.releaseFrame(f);
    api_.releaseClip(clip);
}

TEST_F(CApi, AFrameThatCannotBeDeliveredIsNullWithTheClipsError) {
    AVS_Value v = Call("BlankClip", {Int(0)}, {"length"});
    ASSERT_EQ(v.type, avs::kTypeClip);
    AVS_Clip* clip = api_.take(v, env_);
    api_.releaseValue(v);
    EXPECT_EQ(api_.clipError(clip), nullptr);
    EXPECT_EQ(api_.frame(clip, 0), nullptr);
    ASSERT_NE(api_.clipError(clip), nullptr);
    EXPECT_STREQ(api_.clipError(clip), "The clip has no frames");
    api_.releaseClip(clip);
}

} // namespace
} // namespace bv::builtin::test
