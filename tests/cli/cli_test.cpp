// brevanta-cli on real video through the built-in frame server: what it prints, the frames
// it writes, and how it reports errors.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string TestData(const std::string& name) {
    const char* dir = std::getenv("BREVANTA_TEST_DATA");
    return std::string(dir != nullptr ? dir : "testdata") + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "bv_cli_XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CACHE_HOME", (dir_ + "/cache").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Runs brevanta-cli (beside this test in the program folder) with stdout and stderr apart.
    CliResult RunCli(const std::string& args) {
        const std::string exe = fs::read_symlink("/proc/self/exe").parent_path() / "brevanta-cli";
        const std::string out = dir_ + "/stdout", err = dir_ + "/stderr";
        CliResult r;
        const int raw = std::system((exe + " " + args + " >" + out + " 2>" + err).c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }
    static std::string Quote(const std::string& s) { return "'" + s + "'"; }

    std::string dir_;
};

TEST_F(Cli, InfoShowsRangeSizeAndColourSpace) {
    const std::string plain = Write("ffms2.avs", "FFVideoSource(\"$FileName\")\r\n");
    CliResult r = RunCli("info " + Quote(TestData("enc_crf20.mkv")) + " --template " + Quote(plain));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Start Frame: 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("End Frame: 59\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Frame Size: 320 x 240\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Color Space: YV12\n"), std::string::npos) << r.out;

    const std::string yuy2 = Write("yuy2.avs", "FFVideoSource(\"$FileName\").ConvertToYUY2()\r\n");
    r = RunCli("info " + Quote(TestData("enc_crf20.mkv")) + " --template " + Quote(yuy2));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Color Space: YUY2\n"), std::string::npos) << r.out;

    // Without a template a video is opened through the shipped FFMS2 template, which is said
    // on standard error unless --quiet.
    r = RunCli("info " + Quote(TestData("enc_crf20.mkv")));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Frame Size: 320 x 240\n"), std::string::npos) << r.out;
    const fs::path shipped = fs::read_symlink("/proc/self/exe").parent_path() / "Templates" / "FFMS2.avs";
    EXPECT_EQ(r.err, "Videos given without a template are opened through: " + shipped.string() + "\n");
    r = RunCli("frames " + Quote(TestData("enc_crf20.mkv")) + " 0 0 - --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(r.out.empty());
}

TEST_F(Cli, EveryShippedTemplateOpensVideo) {
    const fs::path templates = fs::read_symlink("/proc/self/exe").parent_path() / "Templates";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(templates)) {
        CliResult r =
            RunCli("info " + Quote(TestData("enc_small.mkv")) + " --template " + Quote(entry.path()));
        EXPECT_EQ(r.status, 0) << entry.path() << ": " << r.err;
        EXPECT_NE(r.out.find("Frame Size: 160 x 120\n"), std::string::npos) << entry.path();
        ++count;
    }
    EXPECT_GE(count, 4);
}

TEST_F(Cli, FramesOfTheOpenGopEncodeMatchASequentialDecode) {
    const std::string tpl = Write("ffms2.avs", "FFVideoSource(\"$FileName\")\r\n");
    const std::string out = dir_ + "/frames.raw";
    // Relative source names work too: the CLI hands the template an absolute path.
    const std::string relative = fs::relative(TestData("opengop.mkv")).string();
    CliResult r = RunCli("frames " + Quote(relative) + " 40 60 " + Quote(out) + " --template " + Quote(tpl));
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t frame = 320 * 240;
    const std::string gray = ReadFile(TestData("opengop.gray"));
    const std::string written = ReadFile(out);
    ASSERT_EQ(written.size(), 21 * frame);
    EXPECT_TRUE(written == gray.substr(40 * frame, 21 * frame));
}

TEST_F(Cli, YuyvFramesCarryTheDecodedLuma) {
    const std::string tpl = Write("yuy2.avs", "FFVideoSource(\"$FileName\").ConvertToYUY2()\r\n");
    CliResult r = RunCli("frames " + Quote(TestData("opengop.mkv")) + " 98 102 - --template " + Quote(tpl));
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t frame = 320 * 240 * 2;
    const std::string yuyv = ReadFile(TestData("opengop.yuyv")).substr(98 * frame, 5 * frame);
    ASSERT_EQ(r.out.size(), yuyv.size());
    for (size_t i = 0; i < yuyv.size(); i += 2)
        ASSERT_EQ(r.out[i], yuyv[i]) << "byte " << i;
}

TEST_F(Cli, ErrorsGoToStandardErrorWithAviSynthsText) {
    const std::string missing = dir_ + "/missing.avs";
    CliResult r = RunCli("info " + Quote(missing));
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Import: couldn't open \"" + missing + "\"\n");

    const std::string broken = Write("broken.avs", "ColorBars()\nNoSuchFilter()\n");
    r = RunCli("frames " + Quote(broken) + " 0 1 -");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Script error: There is no function named 'NoSuchFilter'.\n(" + broken + ", line 2)\n");

    // Frames are written a megabyte at a time: a full disk is still an error naming the file.
    r = RunCli("frames " + Quote(TestData("opengop.mkv")) + " 0 40 /dev/full --template " +
               Quote(Write("plain.avs", "FFVideoSource(\"$FileName\")\n")));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Cannot write file \"/dev/full\""), std::string::npos) << r.err;

    // An error in a template names the template and its line, not the script made from it.
    const std::string bad = Write("bad template.avs", "# the encode\r\nFFVideoSource(\"$FileName\")\r\nNoSuchFilter()\r\n");
    r = RunCli("info " + Quote(TestData("orig.mkv")) + " --template " + Quote(bad));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Script error: There is no function named 'NoSuchFilter'.\n(" + bad + ", line 3)\n");

    const std::string tpl = Write("ffms2.avs", "FFVideoSource(\"$FileName\")\n");
    r = RunCli("info /no/such/video.mkv --template " + Quote(tpl));
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.rfind("FFVideoSource: Can't open '/no/such/video.mkv'\n(", 0), 0u) << r.err;
}

} // namespace
