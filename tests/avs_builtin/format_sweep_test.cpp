// Every pixel format at awkward widths and heights through the built-in server, against
// FFmpeg's own decode of the same file: frame count, frame size, and the bytes. The clips are
// made once per run with ffmpeg (three frames each), and so are the reference frames.
#include "avs_builtin/ffms_source.h"
#include "avs_test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

namespace bv::builtin::test {
namespace {

// What the server delivers for each format of the file: what AviSynth+'s FFMS2 plugin does
// (the format itself where AviSynth+ has it; 12-bit YUV as 16-bit; RGB as RGB32).
struct SweepFormat {
    const char* pixFmt;   // FFmpeg's name of the file's format
    bool ffv1;            // stored with FFV1 (else raw video in NUT)
    PixelFormat delivers; // the server's format for it
    const char* ffDelivers; // FFmpeg's name of that format
    const char* luma;     // 8-bit YUV: FFmpeg's filter to the file's luma, which the server
                          // must deliver byte for byte (extractplanes takes planar formats only)
};
constexpr const char* kPlane = "extractplanes=y";
constexpr const char* kPacked = "format=yuv444p,extractplanes=y";
using P = PixelFormat;
constexpr SweepFormat kFormats[] = {
    {"yuv420p", true, P::I420, "yuv420p", kPlane},
    {"yuv422p", true, P::YV16, "yuv422p", kPlane},
    {"yuv444p", true, P::YV24, "yuv444p", kPlane},
    {"yuv411p", true, P::YV411, "yuv411p", kPlane},
    {"yuv420p10le", true, P::YUV420P10, "yuv420p10le", nullptr},
    {"yuv422p10le", true, P::YUV422P10, "yuv422p10le", nullptr},
    {"yuv444p12le", true, P::YUV444P16, "yuv444p16le", nullptr},
    {"yuv420p12le", true, P::YUV420P16, "yuv420p16le", nullptr},
    {"yuv420p16le", true, P::YUV420P16, "yuv420p16le", nullptr},
    {"yuv444p16le", true, P::YUV444P16, "yuv444p16le", nullptr},
    {"gray", true, P::Y8, "gray", kPlane},
    {"gray10le", true, P::Y10, "gray10le", nullptr},
    {"nv12", false, P::I420, "yuv420p", kPacked},
    {"yuyv422", false, P::YUY2, "yuyv422", kPacked},
    {"uyvy422", false, P::YV16, "yuv422p", kPacked},
    {"rgb24", false, P::RGB32, "bgra", nullptr},
    {"bgr0", true, P::RGB32, "bgra", nullptr},
    {"rgba", false, P::RGB32, "bgra", nullptr},
    {"gbrp", false, P::RGB32, "bgra", nullptr},
    {"rgb48le", false, P::RGB32, "bgra", nullptr},
};
constexpr int kWidths[] = {2, 6, 17, 22, 34, 130, 721, 854, 1366};
constexpr int kHeights[] = {2, 7, 40};
constexpr int kFrames = 3;

// The clip's size: whole chroma samples only (odd last columns and rows are dropped).
int ClipWidth(PixelFormat f, int w) {
    return w & ~((1 << Describe(f).chromaShiftX) - 1);
}
int ClipHeight(PixelFormat f, int h) {
    return h & ~((1 << Describe(f).chromaShiftY) - 1);
}
// The formats whose luma ConvertToYUY2 keeps byte for byte (deeper ones lose bits).
bool ConvertsToYuy2(PixelFormat f) {
    return BitDepth(f) == 8;
}

std::string Name(const SweepFormat& f, int w, int h) {
    return std::string(f.pixFmt) + "_" + std::to_string(w) + "x" + std::to_string(h);
}
std::string ClipFile(const SweepFormat& f, int w, int h) {
    return Name(f, w, h) + (f.ffv1 ? ".mkv" : ".nut");
}

class FormatSweep : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        const std::string ff = "cd " + folder_->path() + " && ffmpeg -nostdin -hide_banner -loglevel error -y ";
        for (int w : kWidths) {
            for (int h : kHeights) {
                // One run makes every format of a size, another decodes them all for reference,
                // with the scaler settings the server uses where it converts.
                std::ostringstream make, decode;
                make << ff << "-f lavfi -i testsrc=size=" << w << "x" << h << ":rate=25";
                decode << ff;
                int input = 0;
                for (const SweepFormat& f : kFormats) {
                    make << " -map 0 -frames:v " << kFrames << " -pix_fmt " << f.pixFmt << " -c:v "
                         << (f.ffv1 ? "ffv1 " : "rawvideo ") << ClipFile(f, w, h);
                    decode << " -i " << ClipFile(f, w, h);
                }
                for (const SweepFormat& f : kFormats) {
                    const int cw = ClipWidth(f.delivers, w), ch = ClipHeight(f.delivers, h);
                    if (cw == 0) { // 4:1:1 two pixels wide: no whole chroma sample
                        ++input;
                        continue;
                    }
                    // Cropped only where needed: crop rounds widths down to whole chroma samples.
                    const std::string crop = cw == w && ch == h ? "null"
                                             : "crop=" + std::to_string(cw) + ":" + std::to_string(ch) + ":0:0";
                    decode << " -map " << input << ":v -vf " << crop
                           << ",scale=flags=bicubic+full_chroma_int+full_chroma_inp+accurate_rnd,format="
                           << f.ffDelivers << " -f rawvideo " << Name(f, w, h) << ".frames";
                    if (f.luma != nullptr)
                        decode << " -map " << input << ":v -vf " << crop << "," << f.luma << " -f rawvideo -pix_fmt gray "
                               << Name(f, w, h) << ".luma";
                    if (IsRgb(f.delivers)) // the YUY2 template's reference
                        decode << " -map " << input << ":v -vf " << crop
                               << ",scale=out_color_matrix=bt601:out_range=tv,format=yuyv422 -f rawvideo "
                               << Name(f, w, h) << ".yuyv";
                    ++input;
                }
                Shell(make.str());
                Shell(decode.str());
            }
        }
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override { setenv("XDG_CACHE_HOME", (*folder_ / "cache").c_str(), 1); }

    static TempFolder* folder_;
};
TempFolder* FormatSweep::folder_ = nullptr;

// The delivered frame's bytes in FFmpeg's raw layout: planes one after another, rows top-down.
std::string RawOf(const VideoFrame& f) {
    std::string out;
    for (int p = 0; p < f.planeCount(); ++p)
        out += PlaneBytes(f, p);
    return out;
}
std::string EvenBytes(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i += 2)
        out += s[i];
    return out;
}

TEST_F(FormatSweep, EveryFormatAndSizeMatchesFfmpegsDecode) {
    int cases = 0;
    for (const SweepFormat& f : kFormats) {
        for (int w : kWidths) {
            for (int h : kHeights) {
                SCOPED_TRACE(Name(f, w, h));
                const std::string source = "FFVideoSource(\"" + (*folder_ / ClipFile(f, w, h)) + "\", cache=false)";
                const int cw = ClipWidth(f.delivers, w), ch = ClipHeight(f.delivers, h);
                if (cw == 0) {
                    ScriptEngine env;
                    EXPECT_NE(ErrorOf(env, source).find("frame size must be positive"), std::string::npos);
                    continue;
                }
                const std::string frames = ReadFile(*folder_ / (Name(f, w, h) + ".frames"));
                const std::string luma = ReadFile(*folder_ / (Name(f, w, h) + ".luma"));
                ASSERT_EQ(frames.size() % kFrames, 0u);
                const size_t frameBytes = frames.size() / kFrames, lumaBytes = static_cast<size_t>(cw) * ch;

                ScriptEngine env;
                ClipPtr plain = EvalClip(env, source);
                ASSERT_EQ(plain->info().format, f.delivers);
                ASSERT_EQ(plain->info().width, cw);
                ASSERT_EQ(plain->info().height, ch);
                ASSERT_EQ(plain->info().frameCount, kFrames);
                for (int n = 0; n < kFrames; ++n) {
                    const std::string got = RawOf(*plain->GetFrame(n));
                    ASSERT_TRUE(got == frames.substr(n * frameBytes, frameBytes)) << "frame " << n;
                    if (f.luma != nullptr) {
                        const std::string y = f.delivers == PixelFormat::YUY2 ? EvenBytes(got) : got.substr(0, lumaBytes);
                        ASSERT_TRUE(y == luma.substr(n * lumaBytes, lumaBytes)) << "luma of frame " << n;
                    }
                }

                // The YUY2 template: YUV keeps the delivered luma; RGB is converted by the server.
                const std::string yuy2Script = source + ".ConvertToYUY2()";
                if (!ConvertsToYuy2(f.delivers)) {
                    ++cases;
                    continue;
                }
                if (cw % 2 != 0) {
                    EXPECT_EQ(ErrorOf(env, yuy2Script), "ConvertToYUY2: Image width must be even. Use Crop!\n(/t/x.avs, line 1)");
                    ++cases;
                    continue;
                }
                ClipPtr yuy2 = EvalClip(env, yuy2Script);
                ASSERT_EQ(yuy2->info().format, PixelFormat::YUY2);
                ASSERT_EQ(yuy2->info().width, cw);
                ASSERT_EQ(yuy2->info().height, ch);
                ASSERT_EQ(yuy2->info().frameCount, kFrames);
                const std::string rgbRef = IsRgb(f.delivers) ? ReadFile(*folder_ / (Name(f, w, h) + ".yuyv")) : "";
                for (int n = 0; n < kFrames; ++n) {
                    const std::string y = EvenBytes(PlaneBytes(*yuy2->GetFrame(n)));
                    if (IsRgb(f.delivers)) {
                        // Our own Rec.601 conversion against FFmpeg's: rounding may differ by one.
                        const std::string ref = EvenBytes(rgbRef.substr(n * lumaBytes * 2, lumaBytes * 2));
                        ASSERT_EQ(y.size(), ref.size());
                        for (size_t i = 0; i < y.size(); ++i)
                            ASSERT_LE(std::abs(uint8_t(y[i]) - uint8_t(ref[i])), 1) << "frame " << n << " pixel " << i;
                    } else {
                        const std::string got = frames.substr(n * frameBytes, frameBytes);
                        const std::string ref = f.delivers == PixelFormat::YUY2 ? EvenBytes(got) : got.substr(0, lumaBytes);
                        ASSERT_TRUE(y == ref) << "luma of YUY2 frame " << n;
                    }
                }
                ++cases;
            }
        }
    }
    std::printf("%d sources, each through both templates\n", cases);
}

} // namespace
} // namespace bv::builtin::test
