// The metrics on clips: which frames the run's pair source fetches, in which order it lets them
// go, what the per-frame step reads of them, and frames that differ in size.
#include "frame_source/avs_clip.h"
#include "frame_source/avs_error.h"
#include "frame_source/frame_pair_source.h"
#include "frame_source/script_environment.h"
#include "kernel_checks.h"
#include "support/stand_in_probe.h"

#include <gtest/gtest.h>

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
    {
        FramePairSource source(original, "1", encoded, "2", 5, 6);
        FramePair pair;
        ASSERT_TRUE(source.Next(pair));
        EXPECT_EQ(pair.number, 5);
        ASSERT_TRUE(source.Next(pair));
        EXPECT_EQ(pair.number, 6);
        EXPECT_FALSE(source.Next(pair));
    }
    // The reader fetches ahead, so fetches and releases interleave as it goes; each kind keeps
    // its order.
    std::string fetches, releases;
    for (size_t start = 0, end; (end = Events().find(';', start)) != std::string::npos; start = end + 1) {
        const std::string event = Events().substr(start, end + 1 - start);
        (event.rfind("fetch", 0) == 0 ? fetches : releases) += event;
    }
    EXPECT_EQ(fetches, "fetch 1 5;fetch 2 5;fetch 1 6;fetch 2 6;");
    EXPECT_EQ(releases, "release 1;release 2;release 1;release 2;");
}

TEST_F(ClipMetrics, ResultsAreTheKernelsOnTheFramesInPlace) {
    AvsClip original = OpenAvsClip(env, "pattern:72:40:3");
    AvsClip encoded = OpenAvsClip(env, "pattern:72:40:4");
    ASSERT_EQ(original.format, &avs::Yuy2Format());
    FrameView o = FetchFrame(original, 7), e = FetchFrame(encoded, 7);
    const PairResults r = PairMeasure::For(*original.format, 72, 40, {true, true})->Measure(o, e);
    EXPECT_TRUE(SameBits(SsimKernel(Image(o, 144), Image(e, 144), 40), r.ssim));
    EXPECT_TRUE(SameBits(MseKernel(Image(o, 144), Image(e, 144), 40, 72 * 40), r.psnr));
}

TEST_F(ClipMetrics, FramesOfAnotherSizeThanClipOneAreRefusedBeforeAnyKernelReadsThem) {
    AvsClip original = OpenAvsClip(env, "pattern:64:48:5");
    AvsClip encoded = OpenAvsClip(env, "pattern:40:20:7");
    FramePairSource source(original, "one.avs", encoded, "two.avs", 0, 0);
    FramePair pair;
    try {
        source.Next(pair);
        FAIL() << "no error";
    } catch (const EAviSynthCException& e) {
        EXPECT_STREQ(e.what(),
                     "AviSynth delivered frame 0 of two.avs as 80 bytes x 20 rows instead of 128 x 48");
    }
}

TEST_F(ClipMetrics, AFrameThatCannotBeFetchedRaisesAndLeavesNothingHeld) {
    AvsClip original = OpenAvsClip(env, "pattern:64:48:7");
    AvsClip encoded = OpenAvsClip(env, "pattern:64:48:8");
    ClearEvents();
    {
        FramePairSource source(original, "7", encoded, "8", 99, 99);
        FramePair pair;
        EXPECT_THROW(source.Next(pair), EAviSynthCException);
    }
    EXPECT_EQ(Events(), "fetch 7 99;fetch 8 99;release 7;"); // the encoded frame is missing
}

} // namespace
} // namespace bv::testing
