// The metrics on clips: which frames they fetch, in which order they let them go, and what they
// read of frames that differ in size.
#include <gtest/gtest.h>

#include "frame_source/avs_error.h"
#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "kernel_checks.h"
#include "support/stand_in_probe.h"

namespace bv::testing {
namespace {

class ClipMetrics : public ::testing::Test {
protected:
    static std::string Events() { return Call<const char*>("pattern_events"); }
    static void ClearEvents() { Call<void>("pattern_clear_events"); }

    template <class R>
    static R Call(const char* name) {
        return standin::LoadedFunction<R (*)()>(name)();
    }

    static PlaneView Image(const FrameView& f, int rowSize) { return {f.readPtr(), f.pitch(), rowSize}; }

    ScriptEnvironment env;
};

TEST_F(ClipMetrics, FetchTheOriginalFirstAndReleaseItFirst) {
    AvsClip original = OpenAvsClip(env, "pattern:64:48:1");
    AvsClip encoded = OpenAvsClip(env, "pattern:64:48:2");
    ClearEvents();
    ComputeSsimY(original, encoded, 5, 48);
    EXPECT_EQ(Events(), "fetch 1 5;fetch 2 5;release 1;release 2;");
    ClearEvents();
    ComputeMseAndDistance(original, encoded, 6, 48, 64 * 48);
    EXPECT_EQ(Events(), "fetch 1 6;fetch 2 6;release 1;release 2;");
}

TEST_F(ClipMetrics, ResultsAreTheKernelsOnTheFramesInPlace) {
    AvsClip original = OpenAvsClip(env, "pattern:72:40:3");
    AvsClip encoded = OpenAvsClip(env, "pattern:72:40:4");
    FrameView o = FetchFrame(original, 7), e = FetchFrame(encoded, 7);
    EXPECT_TRUE(
        SameBits(SsimKernel(Image(o, 144), Image(e, 144), 40), ComputeSsimY(original, encoded, 7, 40)));
    EXPECT_TRUE(SameBits(MseKernel(Image(o, 144), Image(e, 144), 40, 72 * 40),
                         ComputeMseAndDistance(original, encoded, 7, 40, 72 * 40)));
}

TEST_F(ClipMetrics, SmallerEncodedFramesAreReadOnlyWhereBothHaveSamples) {
    AvsClip original = OpenAvsClip(env, "pattern:64:48:5");
    AvsClip encoded = OpenAvsClip(env, "pattern:40:20:6");
    FrameView o = FetchFrame(original, 0), e = FetchFrame(encoded, 0);
    EXPECT_TRUE(SameBits(SsimKernel(Image(o, 80), Image(e, 80), 20), ComputeSsimY(original, encoded, 0, 48)));
    EXPECT_TRUE(SameBits(MseKernel(Image(o, 80), Image(e, 80), 20, 64 * 48),
                         ComputeMseAndDistance(original, encoded, 0, 48, 64 * 48)));
}

TEST_F(ClipMetrics, AFrameThatCannotBeFetchedRaisesAndLeavesNothingHeld) {
    AvsClip original = OpenAvsClip(env, "pattern:64:48:7");
    AvsClip encoded = OpenAvsClip(env, "pattern:64:48:8");
    ClearEvents();
    EXPECT_THROW(ComputeSsimY(original, encoded, 99, 48), EAviSynthCException);
    EXPECT_EQ(Events(), "fetch 7 99;fetch 8 99;release 7;"); // the encoded frame is missing
}

} // namespace
} // namespace bv::testing
