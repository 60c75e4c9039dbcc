// MSE, mean absolute difference and YUV distance: every path against the direct definition,
// bit for bit, and the figures the definition fixes; PSNR from MSE.
#include <gtest/gtest.h>

#include <cmath>

#include "kernel_checks.h"
#include "real_encoded_frames.h"
#include "test_frames.h"

namespace bv::testing {
namespace {

PsnrFrameResult Check(const Yuy2Frame& o, const Yuy2Frame& e) {
    return CheckMseAgainstReference(o.image(), e.image(), o.height, static_cast<int64_t>(o.width) * o.height);
}

TEST(MseKernel, MatchesReferenceOnRandomFramesOfAnyGeometryAndPitch) {
    struct Geometry {
        int width, height, originalPadding, encodedPadding;
    };
    // Odd widths leave half a group unread at the row's end; 17 and 33 groups leave a tail after
    // whole blocks of 8 groups.
    const Geometry geometries[] = {{1, 3, 0, 0},    {2, 1, 0, 0},  {7, 5, 2, 6},    {16, 4, 0, 0},
                                   {34, 9, 10, 0},  {66, 7, 0, 4}, {130, 33, 8, 8}, {720, 16, 0, 64},
                                   {1921, 3, 2, 2}};
    uint32_t seed = 100;
    for (const Geometry& g : geometries) {
        SCOPED_TRACE(::testing::Message() << g.width << "x" << g.height);
        const Yuy2Frame o = Random(g.width, g.height, seed++, 0, 255, g.originalPadding);
        Check(o, Noisy(o, 12, seed++, g.encodedPadding));
        Check(o, Random(g.width, g.height, seed++, 0, 255, g.encodedPadding));
    }
}

// The largest differences there are: every byte 255 against every byte 0, in both directions,
// at a size where SSIM shares the frame with its helper.
TEST(MseKernel, WorstCaseAllWhiteAgainstAllBlack) {
    const Yuy2Frame white = Uniform(720, 96, 255, 255), black = Uniform(720, 96, 0, 0);
    const PsnrFrameResult r = Check(white, black);
    EXPECT_EQ(r.mseY, 255.0 * 255.0);
    Check(black, white);
    CheckSsimAgainstReference(white.image(), black.image(), white.height);
    CheckSsimAgainstReference(black.image(), white.image(), black.height);
}

TEST(MseKernel, MatchesReferenceOnRealEncodedFrames) {
    ForEachRealEncodedPair([](const Yuy2Frame& original, const Yuy2Frame& encoded) {
        EXPECT_GT(Check(original, encoded).edYuv, 0);
    });
}

TEST(MseKernel, IdenticalFramesGiveZeroEverywhere) {
    const Yuy2Frame o = Random(90, 20, 7);
    const PsnrFrameResult r = Check(o, o.withPitch(6));
    for (double v : {r.mseY, r.mseU, r.mseV, r.edY, r.edU, r.edV, r.edYuv})
        EXPECT_EQ(v, 0);
}

TEST(MseKernel, LumaOneLevelLowerGivesOneInEveryLumaFigure) {
    const Yuy2Frame o = Random(64, 16, 8, 1, 255);
    Yuy2Frame e = o;
    for (int y = 0; y < e.height; ++y)
        for (int x = 0; x < e.width; ++x)
            --e.luma(x, y);
    const PsnrFrameResult r = Check(o, e);
    EXPECT_EQ(r.mseY, 1);
    EXPECT_EQ(r.edY, 1);
    EXPECT_EQ(r.edYuv, 1);
    EXPECT_EQ(r.mseU, 0);
    EXPECT_EQ(r.mseV, 0);
    EXPECT_EQ(r.edU, 0);
    EXPECT_EQ(r.edV, 0);
}

TEST(MseKernel, ChromaDifferenceCountsForBothPixelsThatShareIt) {
    for (int d : {-7, 3}) {
        Yuy2Frame o = Random(48, 10, 9, 10, 240);
        Yuy2Frame e = o;
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; x += 2)
                e.chroma(x, y) = static_cast<uint8_t>(o.chroma(x, y) - d); // the U samples
        const PsnrFrameResult r = Check(o, e);
        EXPECT_EQ(r.mseU, d * d);
        EXPECT_EQ(r.edU, std::abs(d));
        EXPECT_EQ(r.edYuv, std::abs(d));
        EXPECT_EQ(r.mseY, 0);
        EXPECT_EQ(r.edY, 0);
        EXPECT_EQ(r.mseV, 0);
    }
}

TEST(MseKernel, LargestDifferencesUseTheWholeRootTable) {
    const PsnrFrameResult r = Check(Uniform(40, 6, 255, 255), Uniform(40, 6, 0, 0));
    EXPECT_EQ(r.mseY, 65025);
    EXPECT_EQ(r.mseU, 65025);
    EXPECT_EQ(r.edV, 255);
    EXPECT_DOUBLE_EQ(r.edYuv, std::sqrt(3.0 * 65025)); // a mean of many rounded roots
}

TEST(MseKernel, VeryLongRowsKeepExactSums) {
    // One row of 140,000 pixels at the largest differences: far more than a 32-bit lane holds.
    const Yuy2Frame o = Uniform(140000, 1, 255, 255), e = Uniform(140000, 1, 0, 0);
    Check(o, e);
    const Yuy2Frame r = Random(140000, 2, 10);
    Check(r, Noisy(r, 200, 11));
}

TEST(MseKernel, NoRowsNoGroupsOrNoPixelsGiveZero) {
    const Yuy2Frame o = Random(16, 4, 12), e = Random(16, 4, 13);
    for (const PsnrFrameResult& r : {MseKernel(o.image(), e.image(), 0, 64),                      // no rows
                                     MseKernel({o.bytes.data(), o.pitch, 3}, e.image(), 4, 64),   // no group
                                     MseKernel(o.image(), e.image(), 4, 0)}) {                    // no pixels
        for (double v : {r.mseY, r.mseU, r.mseV, r.edY, r.edU, r.edV, r.edYuv})
            EXPECT_EQ(v, 0);
    }
}

TEST(PsnrFromMse, FollowsTwentyLogTenOfThePeakOverRootMse) {
    EXPECT_NEAR(PsnrFromMse(1, 255), 48.1308036, 1e-7);
    EXPECT_EQ(PsnrFromMse(65025, 255), 0);
    EXPECT_NEAR(PsnrFromMse(2, 255), 45.1205, 1e-4);
    // A single luma sample of a 720 x 576 frame off by one: no cap.
    EXPECT_NEAR(PsnrFromMse(1.0 / 414720, 255), 104.3084, 1e-4);
    // The mean MSE of two frames with 0 and 2, not the mean of their PSNRs.
    EXPECT_NEAR(PsnrFromMse((0.0 + 2.0) / 2, 255), 48.1308, 1e-4);
    // 10 bits: the peak is 1023, as FFmpeg's psnr filter takes it.
    EXPECT_NEAR(PsnrFromMse(1, 1023), 60.1975, 1e-4);
}

} // namespace
} // namespace bv::testing
