// Video files through FFMS2: the right frame for every number, the right format, and no
// file written beside the video.
#include "avs_builtin/ffms_index.h"
#include "avs_builtin/ffms_source.h"
#include "avs_test_support.h"

#include <algorithm>
#include <chrono>
#include <ffms.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace bv::builtin::test {
namespace {

namespace fs = std::filesystem;

class FfmsSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Indexes go to a private cache folder, not the user's.
        setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1);
    }
    ClipPtr Open(const std::string& script) { return EvalClip(env_, script); }
    static std::string Source(const std::string& file, const std::string& extra = "") {
        return "FFVideoSource(\"" + TestData(file) + "\"" + extra + ")";
    }

    TempFolder cache_;
    ScriptEngine env_;
};

constexpr int kW = 320, kH = 240, kFrames = 150; // opengop.mkv

TEST_F(FfmsSourceTest, OpenGopRandomAccessDeliversExactlyTheAskedFrames) {
    const std::string gray = ReadFile(TestData("opengop.gray"));
    ASSERT_EQ(gray.size(), static_cast<size_t>(kW) * kH * kFrames);
    ClipPtr clip = Open(Source("opengop.mkv"));
    ASSERT_EQ(clip->info().frameCount, kFrames);
    ASSERT_EQ(clip->info().format, PixelFormat::I420);
    std::vector<int> order(kFrames);
    for (int i = 0; i < kFrames; ++i)
        order[i] = i;
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    // Shuffled, then backwards in steps, then sequential reading after a jump back.
    for (int n = kFrames - 1; n >= 0; n -= 7)
        order.push_back(n);
    for (int n = 95; n < 120; ++n)
        order.push_back(n);
    const auto start = std::chrono::steady_clock::now();
    for (int n : order) {
        FramePtr f = clip->GetFrame(n);
        ASSERT_TRUE(PlaneBytes(*f) == gray.substr(static_cast<size_t>(n) * kW * kH, kW * kH))
            << "frame " << n;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // The seeking reader did the backward jumps, and caught its misplaced seeks.
    const auto& stats = static_cast<FfmsSource&>(*clip).readerStats();
    std::printf("%zu jumping reads in %.0f ms: %d seeks, %d off target, %d restarts, %d frames read on\n",
                order.size(), ms, stats.seeks, stats.seekMisses, stats.linearRestarts, stats.linearFrames);
    EXPECT_GT(stats.seeks, 0);
    EXPECT_GT(stats.seekMisses, 0) << "the clip no longer provokes FFMS2's seek error";
}

TEST_F(FfmsSourceTest, SequentialReadingDecodesEachFrameOnce) {
    const std::string gray = ReadFile(TestData("opengop.gray"));
    ClipPtr clip = Open(Source("opengop.mkv"));
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kFrames; ++n) {
        FramePtr f = clip->GetFrame(n);
        ASSERT_TRUE(PlaneBytes(*f) == gray.substr(static_cast<size_t>(n) * kW * kH, kW * kH)) << n;
        clip->GetFrame(n); // asked twice, as the metrics may
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d sequential reads in %.0f ms\n", kFrames, ms);
    const auto& stats = static_cast<FfmsSource&>(*clip).readerStats();
    EXPECT_EQ(stats.linearFrames, kFrames);
    EXPECT_EQ(stats.seeks, 0);
    EXPECT_EQ(stats.linearRestarts, 0);
}

TEST_F(FfmsSourceTest, ConvertToYuy2KeepsTheDecodedLuma) {
    const std::string yuyv = ReadFile(TestData("opengop.yuyv"));
    ClipPtr clip = Open(Source("opengop.mkv") + ".ConvertToYUY2()");
    ASSERT_EQ(clip->info().format, PixelFormat::YUY2);
    for (int n : {0, 77, 3, 149, 100}) {
        const std::string image = PlaneBytes(*clip->GetFrame(n));
        const std::string ref = yuyv.substr(static_cast<size_t>(n) * kW * kH * 2, kW * kH * 2);
        for (size_t i = 0; i < image.size(); i += 2)
            ASSERT_EQ(image[i], ref[i]) << "frame " << n << " byte " << i;
    }
}

TEST_F(FfmsSourceTest, PackedYuy2AndRgbComeOutUntouched) {
    ClipPtr yuy2 = Open(Source("orig_yuy2.avi"));
    EXPECT_EQ(yuy2->info().format, PixelFormat::YUY2);
    const std::string ref = ReadFile(TestData("orig_yuy2.yuyv"));
    ASSERT_EQ(yuy2->info().frameCount, 20);
    for (int n : {0, 19, 7})
        EXPECT_TRUE(PlaneBytes(*yuy2->GetFrame(n)) ==
                    ref.substr(static_cast<size_t>(n) * kW * kH * 2, kW * kH * 2));

    // Packed RGB comes out as RGB32, as AviSynth+'s FFMS2 plugin delivers it: opaque alpha.
    ClipPtr rgb = Open(Source("orig_rgb.avi"));
    EXPECT_EQ(rgb->info().format, PixelFormat::RGB32);
    const std::string bgr = ReadFile(TestData("orig_rgb.bgr"));
    FramePtr f = rgb->GetFrame(4);
    for (int y : {0, 1, 239}) {
        std::string bgra;
        for (int x = 0; x < kW; ++x)
            bgra += bgr.substr((static_cast<size_t>(4) * kH + y) * kW * 3 + x * 3, 3) + '\xff';
        EXPECT_EQ(RowOf(*f, 0, y), bgra) << y;
    }
    // Stored bottom-up like AviSynth's RGB: the first row in memory is the picture's last.
    EXPECT_EQ(f->data(0), f->row(239));
}

TEST_F(FfmsSourceTest, OtherFormatsBecomeTheNearestOne) {
    EXPECT_EQ(Open(Source("orig_422p.mkv"))->info().format, PixelFormat::YV16);
    // Odd sizes lose the last column or row where the chroma is subsampled: 4:4:4 keeps them.
    ClipPtr odd = Open(Source("odd_444.mkv")); // 161x121
    EXPECT_EQ(odd->info().format, PixelFormat::YV24);
    EXPECT_EQ(odd->info().width, 161);
    EXPECT_EQ(odd->info().height, 121);
    EXPECT_EQ(odd->GetFrame(5)->planeHeight(2), 121);
    odd = Open(Source("odd_420.mkv"));
    EXPECT_EQ(odd->info().format, PixelFormat::I420);
    EXPECT_EQ(odd->info().width, 160);
    EXPECT_EQ(odd->info().height, 120);
    EXPECT_EQ(odd->GetFrame(5)->rowSize(1), 80);
    ClipPtr forced = Open(Source("orig.mkv", ", colorspace=\"RGB32\""));
    EXPECT_EQ(forced->info().format, PixelFormat::RGB32);
    ClipPtr scaled = Open(Source("orig.mkv", ", width=160, height=120"));
    EXPECT_EQ(scaled->GetFrame(0)->width(), 160);
    // A constant frame rate by timestamps: 60 frames at 25 fps become 120 at 50 fps.
    ClipPtr doubled = Open(Source("orig.mkv", ", fpsnum=50"));
    EXPECT_EQ(doubled->info().frameCount, 120);
    EXPECT_EQ(doubled->info().fpsNumerator, 50u);
    ClipPtr orig = Open(Source("orig.mkv"));
    // FFMS2 takes the frame nearest in time, the later of two equally near: 21/50 s lies
    // halfway between frames 10 and 11 (0.40 s and 0.44 s), 3/10 s between 7 and 8.
    EXPECT_EQ(PlaneBytes(*doubled->GetFrame(20)), PlaneBytes(*orig->GetFrame(10)));
    EXPECT_EQ(PlaneBytes(*doubled->GetFrame(21)), PlaneBytes(*orig->GetFrame(11)));
    ClipPtr tenth = Open(Source("orig.mkv", ", fpsnum=10"));
    EXPECT_EQ(tenth->info().frameCount, 24);
    EXPECT_EQ(PlaneBytes(*tenth->GetFrame(3)), PlaneBytes(*orig->GetFrame(8)));
    EXPECT_EQ(PlaneBytes(*tenth->GetFrame(1)), PlaneBytes(*orig->GetFrame(3)));
    // FFMS2's plugin hands the rate on as given, unreduced, and checks the denominator first.
    ClipPtr halves = Open(Source("orig.mkv", ", fpsnum=50, fpsden=2"));
    EXPECT_EQ(halves->info().fpsNumerator, 50u);
    EXPECT_EQ(halves->info().fpsDenominator, 2u);
    EXPECT_EQ(halves->info().frameCount, 60);
    EXPECT_EQ(ErrorOf(env_, Source("orig.mkv", ", fpsden=0")),
              "FFVideoSource: FPS denominator needs to be 1 or higher\n(/t/x.avs, line 1)");
}

// Frame n of `file` as FFMS2 itself delivers it in `format` at the given size with its
// default resizer (bicubic), as FFMS2's own plugin asks for it; rows top-down, unpadded.
std::string FfmsReference(const std::string& file, int n, const char* format, int width, int height) {
    FFMS_Init(0, 0);
    char text[1024] = {};
    FFMS_ErrorInfo e{FFMS_ERROR_SUCCESS, FFMS_ERROR_SUCCESS, sizeof text, text};
    FFMS_Indexer* indexer = FFMS_CreateIndexer(file.c_str(), &e);
    FFMS_Index* index = FFMS_DoIndexing2(indexer, FFMS_IEH_ABORT, &e);
    const int track = FFMS_GetFirstTrackOfType(index, FFMS_TYPE_VIDEO, &e);
    FFMS_VideoSource* v = FFMS_CreateVideoSource(file.c_str(), track, index, 1, FFMS_SEEK_NORMAL, &e);
    const int formats[2] = {FFMS_GetPixFmt(format), -1};
    EXPECT_EQ(FFMS_SetOutputFormatV2(v, formats, width, height, FFMS_RESIZER_BICUBIC, &e), 0) << text;
    const FFMS_Frame* f = FFMS_GetFrame(v, n, &e);
    std::string out;
    const int bytes = std::string(format) == "yuyv422" ? 2 : 4;
    for (int y = 0; y < height; ++y)
        out.append(reinterpret_cast<const char*>(f->Data[0]) + static_cast<ptrdiff_t>(y) * f->Linesize[0],
                   static_cast<size_t>(width) * bytes);
    FFMS_DestroyVideoSource(v);
    FFMS_DestroyIndex(index);
    return out;
}

TEST_F(FfmsSourceTest, ColorspaceAndSizeAreFfms2sOwnConversion) {
    const std::string file = TestData("orig.mkv");
    const auto served = [this](const std::string& script, int n) {
        FramePtr f = Open(script)->GetFrame(n);
        std::string rows;
        for (int y = 0; y < f->height(); ++y)
            rows += RowOf(*f, 0, y);
        return rows;
    };
    EXPECT_TRUE(served(Source("orig.mkv", ", colorspace=\"YUY2\""), 7) ==
                FfmsReference(file, 7, "yuyv422", kW, kH));
    EXPECT_TRUE(served(Source("orig.mkv", ", width=160, height=120, colorspace=\"RGB32\""), 3) ==
                FfmsReference(file, 3, "bgra", 160, 120));
}

TEST_F(FfmsSourceTest, EveryPluginNameDecodesTheSameFrames) {
    const std::string file = TestData("enc_crf30.mkv");
    const std::string ref = PlaneBytes(*Open("FFVideoSource(\"" + file + "\")")->GetFrame(33));
    for (const char* call : {"FFmpegSource2(\"%s\", atrack=-1)", "LWLibavVideoSource(\"%s\", cache=false)",
                             "LSMASHVideoSource(\"%s\")", "BSVideoSource(\"%s\", threads=1)",
                             "DirectShowSource(\"%s\", fps=25, audio=false)", "AviSource(\"%s\")"}) {
        std::string script = call;
        script.replace(script.find("%s"), 2, file);
        EXPECT_EQ(PlaneBytes(*Open(script)->GetFrame(33)), ref) << script;
    }
}

TEST_F(FfmsSourceTest, NothingIsWrittenBesideTheVideo) {
    TempFolder videos;
    fs::copy_file(TestData("enc_short.mkv"), videos / "clip.mkv");
    WriteFile(videos / "clip.avs", "FFVideoSource(\"clip.mkv\")\n"); // relative to the script
    for (int round = 0; round < 2; ++round) {                        // the second open reads the cached index
        Value v = env_.ImportFile(videos / "clip.avs");
        ASSERT_TRUE(v.isClip());
        v.asClip()->GetFrame(39);
        v.asClip()->GetFrame(3);
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(videos.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"clip.avs", "clip.mkv"}));
    // The index went to the per-user cache folder instead.
    const std::string cacheFolder = FfmsIndexCacheFolder();
    EXPECT_EQ(cacheFolder, cache_ / "brevanta/ffindex");
    EXPECT_EQ(std::distance(fs::directory_iterator(cacheFolder), fs::directory_iterator()), 1);
}

TEST_F(FfmsSourceTest, ErrorsNameTheFunctionAndFile) {
    EXPECT_EQ(ErrorOf(env_, "\nFFVideoSource(\"/no/such/file.mkv\")"),
              "FFVideoSource: Can't open '/no/such/file.mkv'\n(/t/x.avs, line 2)");
    EXPECT_EQ(ErrorOf(env_, "LWLibavVideoSource(\"/no/such/file.mkv\")"),
              "LWLibavVideoSource: Can't open '/no/such/file.mkv'\n(/t/x.avs, line 1)");
    EXPECT_NE(ErrorOf(env_, "FFVideoSource(\"" + TestData("orig.mkv") + "\", colorspace=\"YV13\")")
                  .find("Invalid colorspace"),
              std::string::npos);
    EXPECT_EQ(ErrorOf(env_, "FFVideoSource()"), "FFVideoSource: No source specified\n(/t/x.avs, line 1)");
    // A device would be read forever.
    EXPECT_EQ(ErrorOf(env_, "FFVideoSource(\"/dev/zero\")"),
              "FFVideoSource: Can't open '/dev/zero'\n(/t/x.avs, line 1)");
}

TEST_F(FfmsSourceTest, BadFilesGiveCleanErrors) {
    TempFolder dir;
    const std::string ff = "cd " + dir.path() + " && ffmpeg -nostdin -hide_banner -loglevel error -y ";
    Shell(ff + "-f lavfi -i testsrc=size=32x32:rate=25:d=1 -f lavfi -i sine=d=0.2 -map 0 -frames:v 3 -c:v libx264 "
               "a.h264 -map 1 audio.wav");
    Shell(ff + "-f lavfi -i testsrc=size=32x32:d=1 -frames:v 0 -c:v ffv1 zero.avi");
    Shell(ff + "-f lavfi -i testsrc=size=48x40:rate=25 -frames:v 3 -c:v libx264 b.h264");
    Shell(ff + "-f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 60 -c:v libx264 -crf 28 -preset fast c.h264");
    const std::string orig = ReadFile(TestData("orig.mkv"));
    WriteFile(dir / "empty.mkv", "");
    WriteFile(dir / "text.mkv", "not a video\n");
    WriteFile(dir / "truncated.mkv", orig.substr(0, 300));
    WriteFile(dir / "cut.mkv", orig.substr(0, orig.size() / 3));
    EXPECT_EQ(ErrorOf(env_, "FFVideoSource(\"" + (dir / "zero.avi") + "\", cache=false)"),
              "FFVideoSource: Video track contains no frames\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env_, "FFVideoSource(\"" + (dir / "audio.wav") + "\", cache=false)"),
              "FFVideoSource: No video track found\n(/t/x.avs, line 1)");
    for (const char* name : {"empty.mkv", "text.mkv", "truncated.mkv"}) {
        const std::string error = ErrorOf(env_, "FFVideoSource(\"" + (dir / name) + "\", cache=false)");
        EXPECT_EQ(error.rfind("FFVideoSource: ", 0), 0u) << name << ": " << error;
        EXPECT_NE(error.find("(/t/x.avs, line 1)"), std::string::npos) << name << ": " << error;
    }
    // Cut in the middle: the frames that are there, each at the clip's size.
    ClipPtr cut = Open("FFVideoSource(\"" + (dir / "cut.mkv") + "\", cache=false)");
    ASSERT_GT(cut->info().frameCount, 0);
    for (int n = 0; n < cut->info().frameCount; ++n)
        EXPECT_EQ(cut->GetFrame(n)->width(), 320);
    // A damaged slice header among the frames decoded at opening: the decoder's error is not
    // lost with the opening, and no stale copy of the frame before is delivered.
    std::string damaged = ReadFile(dir / "c.h264");
    for (size_t i = 0, slices = 0; i + 30 < damaged.size(); ++i) {
        if (damaged.compare(i, 3, std::string("\0\0\1", 3)) != 0 || (damaged[i + 3] & 0x1f) > 5)
            continue;
        if (++slices == 4) {
            for (size_t k = i + 6; k < i + 22; ++k)
                damaged[k] = static_cast<char>(damaged[k] ^ 0xa5);
            break;
        }
    }
    WriteFile(dir / "damaged.h264", damaged);
    ClipPtr bad = Open("FFVideoSource(\"" + (dir / "damaged.h264") + "\", cache=false)");
    std::string readError;
    try {
        for (int n = 0; n < bad->info().frameCount; ++n)
            bad->GetFrame(n);
    } catch (const ScriptError& e) {
        readError = e.what();
    }
    EXPECT_NE(readError.find("cannot be decoded"), std::string::npos) << readError;
    // The frame size changes in the middle of the stream: every frame comes at the first size.
    WriteFile(dir / "sizes.h264", ReadFile(dir / "a.h264") + ReadFile(dir / "b.h264"));
    ClipPtr sizes = Open("FFVideoSource(\"" + (dir / "sizes.h264") + "\", cache=false)");
    ASSERT_EQ(sizes->info().frameCount, 6);
    for (int n : {0, 5, 2, 3}) {
        FramePtr f = sizes->GetFrame(n);
        EXPECT_EQ(f->width(), 32);
        EXPECT_EQ(f->height(), 32);
    }
}

} // namespace
} // namespace bv::builtin::test
