// The frame source's own bookkeeping and error paths, against a stand-in library.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frame_source/avs_error.h"
#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "support/stand_in_probe.h"

namespace bv {
namespace {

standin::Counters& FakeCounters() {
    return standin::LoadedCounters();
}

class FakeFrameSource : public ::testing::Test {
protected:
    ScriptEnvironment env;
};

TEST_F(FakeFrameSource, ErrorResultRaisesWithTheTextUnchangedAndKeepsNoClip) {
    const std::string text = "Import: couldn't open \"/no/such/file.avs\"";
    try {
        OpenAvsClip(env, "error:" + text);
        FAIL() << "no exception";
    } catch (const EAviSynthCException& e) {
        EXPECT_EQ(e.what(), text);
    }
    EXPECT_EQ(FakeCounters().clipsOpen, 0);
    EXPECT_STREQ(FakeCounters().lastFunction, "Import"); // no AviSource in this library
}

TEST_F(FakeFrameSource, ResultThatIsNeitherClipNorErrorRaises) {
    const int released = FakeCounters().valuesReleased;
    EXPECT_THROW(OpenAvsClip(env, "int"), EAviSynthCException);
    EXPECT_EQ(FakeCounters().valuesReleased, released + 1);
}

TEST_F(FakeFrameSource, OpenReadsVideoInformationAndCloseClearsIt) {
    AvsClip clip = OpenAvsClip(env, "clip:A0000010:352:288:25:30000:1001");
    EXPECT_EQ(clip.width, 352);
    EXPECT_EQ(clip.height, 288);
    EXPECT_EQ(clip.frameCount, 25);
    EXPECT_EQ(ColorSpaceName(clip), "YV12"); // I420 flag named YV12
    EXPECT_EQ(clip.fpsNumerator, 30000u);
    EXPECT_EQ(clip.fpsDenominator, 1001u);
    EXPECT_EQ(FakeCounters().clipsOpen, 1);
    CloseAvsClip(clip);
    EXPECT_EQ(FakeCounters().clipsOpen, 0);
    EXPECT_FALSE(clip.isOpen());
    EXPECT_EQ(clip.width, 0);
    EXPECT_EQ(clip.fpsNumerator, 0u);
    EXPECT_EQ(clip.fpsDenominator, 0u);
    CloseAvsClip(clip); // closing twice does nothing
    EXPECT_EQ(FakeCounters().clipsOpen, 0);
}

TEST_F(FakeFrameSource, DestructorAndMoveReleaseEachClipOnce) {
    {
        AvsClip a = OpenAvsClip(env, "clip:60000004:16:16:3:24:1");
        AvsClip b = std::move(a);
        EXPECT_FALSE(a.isOpen());
        EXPECT_EQ(b.fpsNumerator, 24u); // the video information moves with the handle
        EXPECT_EQ(b.fpsDenominator, 1u);
        EXPECT_EQ(FakeCounters().clipsOpen, 1);
    }
    EXPECT_EQ(FakeCounters().clipsOpen, 0);
}

TEST_F(FakeFrameSource, TwoFetchesOfOneFrameAreIndependent) {
    AvsClip clip = OpenAvsClip(env, "clip:60000004:16:4:20");
    FrameView first = FetchFrame(clip, 5);
    FrameView second = FetchFrame(clip, 5);
    EXPECT_EQ(FakeCounters().framesOpen, 2);
    EXPECT_NE(first.readPtr(), second.readPtr());
    EXPECT_EQ(first.rowSize(), 32);
    EXPECT_EQ(first.pitch(), 64);
    EXPECT_EQ(first.height(), 4);
    EXPECT_EQ(first.readPtr()[0], 5);
    first.Release();
    EXPECT_EQ(FakeCounters().framesOpen, 1);
    EXPECT_EQ(second.readPtr()[0], 5);
    first.Release(); // a second release does nothing
    second.Release();
    EXPECT_EQ(FakeCounters().framesOpen, 0);
}

TEST_F(FakeFrameSource, FrameThatCannotBeFetchedRaisesWithTheClipsError) {
    AvsClip clip = OpenAvsClip(env, "clip:60000004:16:4:20");
    try {
        FetchFrame(clip, 13);
        FAIL() << "no exception";
    } catch (const EAviSynthCException& e) {
        EXPECT_STREQ(e.what(), "fake: frame 13 is broken");
    }
    CloseAvsClip(clip);
    EXPECT_THROW(FetchFrame(clip, 0), EAviSynthCException); // closed clip
}

// The classic four by their names (I420 is YV12 to a user); every other format by AviSynth+'s
// name, never by a classic name whose flags it happens to hold.
TEST(ColorSpaceNames, NameEveryFormatAsAviSynthPlusDoes) {
    EXPECT_EQ(ColorSpaceName(0x50000001u), "RGB24");
    EXPECT_EQ(ColorSpaceName(0x50000002u), "RGB32");
    EXPECT_EQ(ColorSpaceName(0x60000004u), "YUY2");
    EXPECT_EQ(ColorSpaceName(0xA0000008u), "YV12");
    EXPECT_EQ(ColorSpaceName(0xA0000010u), "YV12");
    EXPECT_EQ(ColorSpaceName(0xA0000308u), "YV16");
    EXPECT_EQ(ColorSpaceName(0xA000030Bu), "YV24");
    EXPECT_EQ(ColorSpaceName(0xA0000309u), "YV411");
    EXPECT_EQ(ColorSpaceName(0xE0000000u), "Y8");
    EXPECT_EQ(ColorSpaceName(0xA0050008u), "YUV420P10");
    EXPECT_EQ(ColorSpaceName(0xA0050308u), "YUV422P10"); // was shown as "YV12"
    EXPECT_EQ(ColorSpaceName(0xA001030Bu), "YUV444P16");
    EXPECT_EQ(ColorSpaceName(0xE0050000u), "Y10");
    EXPECT_EQ(ColorSpaceName(0u), "");
    EXPECT_EQ(ColorSpaceName(0x90000008u), ""); // a planar type outside the table
    EXPECT_EQ(ColorSpaceName(0x50010001u), ""); // AviSynth+'s RGB48: not "RGB24"
}

// The table's rows against AviSynth+'s documented values, and the plane geometry it gives.
TEST(PixelFormatTable, RowsAreUniqueAndDescribeTheirPlanes) {
    std::set<uint32_t> types;
    std::set<std::string> names;
    for (const avs::PixelFormat& f : avs::PixelFormats()) {
        EXPECT_TRUE(types.insert(f.pixelType).second) << f.name;
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_EQ(avs::FindPixelFormat(f.pixelType), &f);
        EXPECT_EQ(avs::FindPixelFormat(f.name), &f);
        EXPECT_EQ(f.bytesPerSample, f.bitDepth > 8 ? 2 : 1) << f.name;
    }
    const struct {
        const char* name;
        uint32_t type;
        int rowBytes[3]; // of a 720-pixel-wide image
        int heights[3];  // of a 576-row image
    } rows[] = {
        {"yuy2", 0x60000004u, {1440, 0, 0}, {576, 0, 0}},
        {"YV12", 0xA0000008u, {720, 360, 360}, {576, 288, 288}},
        {"RGB24", 0x50000001u, {2160, 0, 0}, {576, 0, 0}},
        {"Y8", 0xE0000000u, {720, 0, 0}, {576, 0, 0}},
        {"YV24", 0xA000030Bu, {720, 720, 720}, {576, 576, 576}},
        {"YUV420P10", 0xA0050008u, {1440, 720, 720}, {576, 288, 288}},
        {"YUV422P16", 0xA0010308u, {1440, 720, 720}, {576, 576, 576}},
        {"Y12", 0xE0060000u, {1440, 0, 0}, {576, 0, 0}},
        {"YV411", 0xA0000309u, {720, 180, 180}, {576, 576, 576}},
    };
    for (const auto& r : rows) {
        const avs::PixelFormat* f = avs::FindPixelFormat(r.name);
        ASSERT_NE(f, nullptr) << r.name;
        EXPECT_EQ(f->pixelType, r.type) << r.name;
        for (int p = 0; p < f->planes; ++p) {
            EXPECT_EQ(f->RowBytes(p, 720), r.rowBytes[p]) << r.name << p;
            EXPECT_EQ(f->PlaneHeight(p, 576), r.heights[p]) << r.name << p;
        }
    }
    EXPECT_EQ(avs::FindPixelFormat(0x90000008u), nullptr);
    EXPECT_EQ(avs::FindPixelFormat("YV13"), nullptr);
}

} // namespace
} // namespace bv
