// The frame source against a real frame server: our built-in one by default, or any AviSynth
// library named by BREVANTA_AVISYNTH. Tests that need something only our server has skip
// themselves elsewhere.
#include "frame_source/avs_error.h"
#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace bv {
namespace {

namespace fs = std::filesystem;

std::string TestData(const std::string& name) {
    const char* dir = std::getenv("BREVANTA_TEST_DATA");
    return std::string(dir != nullptr ? dir : "testdata") + "/" + name;
}

class FrameSourceServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "bv_fs_XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CACHE_HOME", (dir_ + "/cache").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Writes a script into the test's folder and returns its path.
    std::string Script(const std::string& text, const std::string& name = "x.avs") {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string OpenError(const std::string& path) {
        try {
            AvsClip clip = OpenAvsClip(env_, path);
        } catch (const EAviSynthCException& e) {
            return e.what();
        }
        return "";
    }
    static std::string Bytes(const FrameView& f) {
        std::string out;
        for (int y = 0; y < f.height(); ++y)
            out.append(reinterpret_cast<const char*>(f.readPtr()) + static_cast<ptrdiff_t>(y) * f.pitch(),
                       static_cast<size_t>(f.rowSize()));
        return out;
    }

    std::string dir_;
    ScriptEnvironment env_;
};

TEST_F(FrameSourceServer, MissingScriptGivesAviSynthsTextUnchanged) {
    const std::string path = dir_ + "/no such.avs";
    EXPECT_EQ(OpenError(path), "Import: couldn't open \"" + path + "\"");
}

TEST_F(FrameSourceServer, ScriptErrorsNameTheFileAndLine) {
    const std::string unknown = Script("ColorBars()\nNoSuchFilter()\n");
    EXPECT_EQ(OpenError(unknown),
              "Script error: There is no function named 'NoSuchFilter'.\n(" + unknown + ", line 2)");
    const std::string syntax = Script("ColorBars(640 480)\n", "syntax.avs");
    const std::string text = OpenError(syntax);
    EXPECT_EQ(text.rfind("Script error: ", 0), 0u) << text;
    EXPECT_NE(text.find("\n(" + syntax + ", line 1, column "), std::string::npos) << text;
    const std::string missingVideo =
        Script("x = 1\nFFVideoSource(\"/no/such/video.mkv\", cache=false)\n", "v.avs");
    EXPECT_EQ(OpenError(missingVideo),
              "FFVideoSource: Can't open '/no/such/video.mkv'\n(" + missingVideo + ", line 2)");
    const std::string notAClip = Script("42\n", "int.avs");
    EXPECT_NE(OpenError(notAClip), "");
}

TEST_F(FrameSourceServer, X264VideoIsI420NamedYV12) {
    const std::string script = Script("FFVideoSource(\"" + TestData("enc_crf30.mkv") + "\", cache=false)\n");
    AvsClip clip = OpenAvsClip(env_, script);
    EXPECT_EQ(clip.pixelType, avs::kCsI420);
    EXPECT_EQ(ColorSpaceName(clip), "YV12");
    EXPECT_EQ(clip.width, 320);
    EXPECT_EQ(clip.height, 240);
    EXPECT_EQ(clip.frameCount, 60);
    ASSERT_GT(clip.fpsDenominator, 0u);
    EXPECT_DOUBLE_EQ(double(clip.fpsNumerator) / clip.fpsDenominator, 25.0); // made at 25 fps
    FrameView f = FetchFrame(clip, 10);
    EXPECT_EQ(f.rowSize(), 320); // the default plane of planar video is Y
    EXPECT_EQ(f.height(), 240);
    ASSERT_EQ(f.planeCount(), 3);
    for (int p : {1, 2}) {
        EXPECT_EQ(f.plane(p).rowSize, 160);
        EXPECT_EQ(f.plane(p).height, 120);
        EXPECT_NE(f.plane(p).data, f.plane(0).data);
    }
}

TEST_F(FrameSourceServer, ClipsCloseOnceAndFramesAreIndependent) {
    const std::string script = Script("ColorBars(720, 480, \"YUY2\")\n");
    AvsClip clip = OpenAvsClip(env_, script);
    ASSERT_EQ(ColorSpaceName(clip), "YUY2");
    FrameView a = FetchFrame(clip, 3);
    FrameView b = FetchFrame(clip, 3);
    ASSERT_TRUE(a.isValid() && b.isValid());
    EXPECT_EQ(a.rowSize(), 1440);
    EXPECT_GE(a.pitch(), a.rowSize());
    EXPECT_EQ(a.pitch() % 16, 0);
    const std::string bytes = Bytes(a);
    a.Release();
    EXPECT_EQ(Bytes(b), bytes); // still readable after the other was released
    // A frame may outlive its clip.
    CloseAvsClip(clip);
    EXPECT_EQ(Bytes(b), bytes);
    b.Release();
    CloseAvsClip(clip); // closing twice does nothing
    EXPECT_FALSE(clip.isOpen());
}

TEST_F(FrameSourceServer, FrameNumbersOutsideTheClipAreClamped) {
    const std::string script =
        Script("a = BlankClip(length=2, width=64, height=16, pixel_type=\"YUY2\", color=$FF0000)\n"
               "b = BlankClip(length=2, width=64, height=16, pixel_type=\"YUY2\", color=$0000FF)\n"
               "a + b\n");
    AvsClip clip = OpenAvsClip(env_, script);
    ASSERT_EQ(clip.frameCount, 4);
    EXPECT_EQ(Bytes(FetchFrame(clip, -5)), Bytes(FetchFrame(clip, 0)));
    EXPECT_EQ(Bytes(FetchFrame(clip, 99)), Bytes(FetchFrame(clip, 3)));
    EXPECT_NE(Bytes(FetchFrame(clip, 0)), Bytes(FetchFrame(clip, 3)));
}

TEST_F(FrameSourceServer, TheScriptMayGoOnceOpenAndTwoClipsAreIndependent) {
    const std::string first =
        Script("FFVideoSource(\"" + TestData("orig.mkv") + "\", cache=false)\n", "a.avs");
    const std::string second =
        Script("FFVideoSource(\"" + TestData("enc_crf40.mkv") + "\", cache=false)\n", "b.avs");
    AvsClip a = OpenAvsClip(env_, first);
    AvsClip b = OpenAvsClip(env_, second);
    fs::remove(first); // the analysis run deletes its generated scripts right after opening
    fs::remove(second);
    const std::string a5 = Bytes(FetchFrame(a, 5));
    const std::string b5 = Bytes(FetchFrame(b, 5));
    EXPECT_NE(a5, b5);
    EXPECT_EQ(Bytes(FetchFrame(b, 50)).size(), b5.size());
    EXPECT_EQ(Bytes(FetchFrame(a, 5)), a5);
}

TEST_F(FrameSourceServer, BuiltinServerWritesNothingBesideTheVideo) {
    if (!env_.library().isBuiltin())
        GTEST_SKIP() << "AviSynth's FFMS2 plugin writes its index beside the video unless told not to";
    const std::string video = dir_ + "/video.mkv";
    fs::copy_file(TestData("enc_short.mkv"), video);
    const std::string script = Script("FFVideoSource(\"" + video + "\")\n", "s.avs");
    {
        AvsClip clip = OpenAvsClip(env_, script);
        FetchFrame(clip, 20);
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2); // the video and the script
}

} // namespace
} // namespace bv
