// SSIM in Y: every path and thread count against the direct definition, bit for bit, and the
// figures the definition fixes for particular frames.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "kernel_checks.h"
#include "real_encoded_frames.h"
#include "test_frames.h"

namespace bv::testing {
namespace {

SsimFrameResult Check(const Yuy2Frame& o, const Yuy2Frame& e) {
    return CheckSsimAgainstReference(o.image(), e.image(), o.height);
}

TEST(SsimKernel, MatchesReferenceOnRandomFramesOfAnyGeometryAndPitch) {
    struct Geometry {
        int width, height, originalPadding, encodedPadding;
    };
    // Exactly one window; widths that are not multiples of 8 or 16; pitches beyond the row.
    const Geometry geometries[] = {{8, 8, 0, 0},    {9, 8, 2, 0},     {8, 9, 0, 6},    {15, 13, 4, 8},
                                   {16, 16, 0, 0},  {17, 9, 30, 2},   {33, 17, 0, 64}, {100, 37, 12, 4},
                                   {130, 70, 0, 0}, {203, 41, 10, 22}};
    uint32_t seed = 1;
    for (const Geometry& g : geometries) {
        SCOPED_TRACE(::testing::Message() << g.width << "x" << g.height);
        const Yuy2Frame o = Random(g.width, g.height, seed++, 0, 255, g.originalPadding);
        Check(o, Noisy(o, 25, seed++, g.encodedPadding));       // mostly similar
        Check(o, Random(g.width, g.height, seed++, 0, 255, 0)); // unrelated: many negative windows
    }
}

TEST(SsimKernel, FramesBelowOneWindowHaveNoWindows) {
    for (auto [w, h] : {std::pair{7, 8}, {8, 7}, {7, 7}, {200, 7}, {7, 200}}) {
        const Yuy2Frame o = Random(w, h, 5), e = Random(w, h, 6);
        const SsimFrameResult r = Check(o, e);
        EXPECT_EQ(r.windowCount, 0);
        EXPECT_EQ(r.ssimY, 0);
        EXPECT_EQ(r.weightSum, 0);
        EXPECT_EQ(r.qY, 0);
        EXPECT_EQ(r.lowestSsim, 1.0);
        EXPECT_EQ(r.lowestX, 0);
        EXPECT_EQ(r.lowestY, 0);
    }
}

TEST(SsimKernel, MatchesReferenceOnRealEncodedFrames) {
    ForEachRealEncodedPair([](const Yuy2Frame& original, const Yuy2Frame& encoded) {
        const SsimFrameResult r = Check(original, encoded);
        EXPECT_EQ(r.windowCount, 405697); // (720 - 7) x (576 - 7)
        EXPECT_LT(r.lowestSsim, 1.0);
    });
}

TEST(SsimKernel, DarkOriginalsWeighOnlyWindowsAboveForty) {
    // Luma 34..56: window means around 40 to 50, where the weight ramps.
    const Yuy2Frame ramp = Random(96, 64, 11, 34, 56);
    const SsimFrameResult r = Check(ramp, Noisy(ramp, 6, 12));
    EXPECT_GT(r.weightSum, 0);
    EXPECT_LT(r.weightSum, r.windowCount);

    // Every window mean at most 40: no weight, no Q, but the plain mean is there.
    const Yuy2Frame dark = Random(96, 64, 13, 20, 40);
    const SsimFrameResult d = Check(dark, Noisy(dark, 6, 14));
    EXPECT_EQ(d.weightSum, 0);
    EXPECT_EQ(d.qY, 0);
    EXPECT_GT(d.ssimY, 0);
}

TEST(SsimKernel, WeightIsZeroAtMeanFortyHalfAtFortyFiveOneAtFiftyAndAbove) {
    const struct {
        uint8_t luma;
        double weight;
    } cases[] = {{39, 0.0}, {40, 0.0}, {45, 0.5}, {50, 1.0}, {51, 1.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.luma));
        const Yuy2Frame o = Uniform(40, 24, c.luma);
        const SsimFrameResult r = Check(o, Noisy(o, 10, c.luma));
        EXPECT_EQ(r.weightSum, c.weight * r.windowCount);
    }
}

TEST(SsimKernel, AntiCorrelatedWindowsCountAsZero) {
    const Yuy2Frame o = Random(64, 40, 21, 0, 255);
    const SsimFrameResult r = Check(o, Inverted(o));
    EXPECT_EQ(r.lowestSsim, 0.0); // negative values are clamped to 0 ...
    EXPECT_EQ(r.lowestX, 0);      // ... and the first window already has it
    EXPECT_EQ(r.lowestY, 0);
    EXPECT_GE(r.ssimY, 0.0);

    // Anti-correlated in a patch only: the lowest is the first window that reaches 0.
    Yuy2Frame e = Noisy(o, 4, 22);
    for (int y = 20; y < 36; ++y)
        for (int x = 30; x < 50; ++x)
            e.luma(x, y) = static_cast<uint8_t>(255 - o.luma(x, y));
    const SsimFrameResult p = Check(o, e);
    EXPECT_EQ(p.lowestSsim, 0.0);
    EXPECT_GE(p.lowestY, 13);
}

TEST(SsimKernel, IdenticalFramesGiveExactlyOne) {
    const Yuy2Frame bright = Random(77, 45, 31, 0, 255);
    const SsimFrameResult b = Check(bright, bright.withPitch(18));
    EXPECT_EQ(b.ssimY, 1.0);
    EXPECT_EQ(b.qY, 1.0);
    EXPECT_EQ(b.lowestSsim, 1.0);
    EXPECT_EQ(b.lowestX, 0);
    EXPECT_EQ(b.lowestY, 0);

    const Yuy2Frame dark = Random(77, 45, 32, 0, 40);
    const SsimFrameResult d = Check(dark, dark);
    EXPECT_EQ(d.ssimY, 1.0);
    EXPECT_EQ(d.weightSum, 0);
    EXPECT_EQ(d.qY, 0);
}

// Two equal defects in an otherwise identical pair give equal lowest windows; the first one in
// raster order (upper band first, then the left one) is reported.
TEST(SsimKernel, TiesForTheLowestWindowGoToTheFirstInRasterOrder) {
    const auto withDefects = [](int width, int height, std::initializer_list<std::pair<int, int>> at) {
        const Yuy2Frame o = Uniform(width, height, 120);
        Yuy2Frame e = o;
        for (auto [x0, y0] : at)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    e.luma(x0 + x, y0 + y) = static_cast<uint8_t>((x + y) % 2 ? 200 : 40);
        return std::pair{o, e};
    };
    const struct {
        int width, height;
        std::pair<int, int> first, second;
    } cases[] = {
        {80, 24, {12, 5}, {50, 5}},  // same band
        {80, 60, {50, 9}, {12, 40}}, // later band further left
        {96, 120, {70, 3}, {5, 90}}, // bands in different chunks (and threads)
    };
    for (const auto& c : cases) {
        auto [o, e] = withDefects(c.width, c.height, {c.first, c.second});
        const SsimFrameResult r = Check(o, e);
        EXPECT_EQ(r.lowestX, c.first.first);
        EXPECT_EQ(r.lowestY, c.first.second);
        // The later defect alone would be reported at its own place with the same value.
        auto [o2, e2] = withDefects(c.width, c.height, {c.second});
        const SsimFrameResult alone = Check(o2, e2);
        EXPECT_EQ(alone.lowestSsim, r.lowestSsim);
        EXPECT_EQ(alone.lowestX, c.second.first);
        EXPECT_EQ(alone.lowestY, c.second.second);
    }
}

TEST(SsimKernel, LastWindowOfA720x576FrameStartsAtColumn712Row568) {
    const Yuy2Frame o = Random(720, 576, 41, 60, 200);
    Yuy2Frame e = o;
    e.luma(719, 575) ^= 0x80; // only the last window holds this sample
    const SsimFrameResult r = Check(o, e);
    EXPECT_EQ(r.windowCount, 405697);
    EXPECT_LT(r.lowestSsim, 1.0);
    EXPECT_EQ(r.lowestX, 712);
    EXPECT_EQ(r.lowestY, 568);
}

TEST(SsimKernel, CallersOnSeveralThreadsGetTheirOwnResults) {
    const Yuy2Frame a = Random(300, 200, 51), b = Noisy(a, 20, 52);
    const Yuy2Frame c = Random(180, 90, 53, 30, 60), d = Noisy(c, 5, 54);
    const SsimFrameResult expectedAb = reference::SsimY(a.image(), b.image(), a.height);
    const SsimFrameResult expectedCd = reference::SsimY(c.image(), d.image(), c.height);
    ConfigScope scope({KernelPath::Automatic, 2});
    SsimFrameResult ab[20], cd[20];
    std::thread other([&] {
        for (auto& r : cd)
            r = SsimKernel(c.image(), d.image(), c.height);
    });
    for (auto& r : ab)
        r = SsimKernel(a.image(), b.image(), a.height);
    other.join();
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(SameBits(expectedAb, ab[i]));
        EXPECT_TRUE(SameBits(expectedCd, cd[i]));
    }
}

// Many short frames with the helper, while other threads compete for the processors: the two
// threads hand chunks and progress to each other thousands of times, in whatever interleaving
// the scheduler comes up with, and every frame must come out right. However slow the machine,
// frames keep finishing; only a hand-over that never completes stops them altogether.
TEST(SsimKernel, ManyFramesOnTwoThreadsUnderCompetitionFinishAndAgree) {
    struct Shared {
        Yuy2Frame o = Random(72, 120, 61), e = Noisy(o, 30, 62);
        std::atomic<bool> stop{false};
        std::atomic<int> pairsDone{0};
        std::promise<int> wrongFrames;
    };
    auto shared = std::make_shared<Shared>();
    const PlaneView o = shared->o.image(), e = shared->e.image();
    const SsimFrameResult expected = reference::SsimY(o, e, shared->o.height);
    const PsnrFrameResult expectedMse = reference::MseAndDistance(o, e, shared->o.height, 72 * 120);
    std::vector<std::thread> noise;
    for (int i = 0; i < 2; ++i)
        noise.emplace_back([shared] {
            while (!shared->stop.load(std::memory_order_relaxed))
                std::this_thread::yield();
        });
    constexpr int kPairs = 10000;
    auto result = shared->wrongFrames.get_future();
    // Detached: should a frame never finish, the test fails instead of waiting for it forever.
    // As in a run: MSE (which wakes the helper) and then SSIM of each pair.
    std::thread([shared, o, e, expected, expectedMse] {
        ConfigScope scope({KernelPath::Automatic, 2});
        int wrong = 0;
        for (int i = 0; i < kPairs; ++i) {
            wrong += SameBits(expectedMse, MseKernel(o, e, 120, 72 * 120)) ? 0 : 1;
            wrong += SameBits(expected, SsimKernel(o, e, 120)) ? 0 : 1;
            shared->pairsDone.fetch_add(1);
        }
        shared->wrongFrames.set_value(wrong);
    }).detach();
    // Waits as long as pairs keep finishing; a whole minute without one is a hang.
    int seen = -1;
    bool finished = false;
    while (!finished) {
        const int done = shared->pairsDone.load();
        if (done == seen)
            break;
        seen = done;
        finished = result.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    }
    shared->stop = true;
    for (auto& t : noise)
        t.join();
    ASSERT_TRUE(finished) << "no frame finished after pair " << seen << " of " << kPairs;
    EXPECT_EQ(result.get(), 0);
}

} // namespace
} // namespace bv::testing
