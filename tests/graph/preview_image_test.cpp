#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "graph/preview_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <unistd.h>

namespace bv {
namespace {

namespace fs = std::filesystem;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

Rgb Converted(int y, int u, int v, int recommendation) {
    const uint8_t group[4] = {static_cast<uint8_t>(y), static_cast<uint8_t>(u), static_cast<uint8_t>(y),
                              static_cast<uint8_t>(v)};
    QImage image;
    UnpackYuy2Preview(group, 4, 4, 1, image, 2, 1);
    ConvertPreviewToRgb(image, recommendation, 2, 1);
    const QRgb p = image.pixel(0, 0);
    return {qRed(p), qGreen(p), qBlue(p)};
}

TEST(PreviewConversionTest, WorkedValuesOfBothRecommendations) {
    EXPECT_EQ(Converted(128, 128, 128, kPreviewPc601), (Rgb{128, 128, 128}));
    EXPECT_EQ(Converted(16, 128, 128, kPreviewRec601), (Rgb{0, 0, 0}));
    EXPECT_EQ(Converted(235, 128, 128, kPreviewRec601), (Rgb{255, 255, 255})); // 254.916
    EXPECT_EQ(Converted(255, 255, 128, kPreviewRec601), (Rgb{255, 228, 255})); // G 228.412
    EXPECT_EQ(Converted(0, 0, 0, kPreviewPc601), (Rgb{0, 135, 0}));            // G 135.424
    EXPECT_EQ(Converted(0, 0, 0, 7), (Rgb{0, 135, 0})) << "unknown codes convert as PC.601";
}

// The formulas of each recommendation evaluated plainly, rounded by the FPU (to nearest,
// halves to even).
Rgb PlainRgb(int y, int u, int v, int recommendation) {
    const auto byte = [](double x) { return static_cast<int>(std::clamp(std::nearbyint(x), 0.0, 255.0)); };
    if (recommendation == kPreviewPc601)
        return {byte(y + 1.403 * (v - 128)), byte(y - 0.344 * (u - 128) - 0.714 * (v - 128)),
                byte(y + 1.77 * (u - 128))};
    return {byte(1.164 * (y - 16) + 1.596 * (v - 128)),
            byte(1.164 * (y - 16) - 0.392 * (u - 128) - 0.813 * (v - 128)),
            byte(1.164 * (y - 16) + 2.017 * (u - 128))};
}

// Every combination of Y, U and V against the formulas evaluated plainly, rounded by the FPU
// (to nearest, halves to even): the table-driven conversion must not differ anywhere.
TEST(PreviewConversionTest, EveryYuvTripleMatchesThePlainFormulas) {
    QImage cube(4096, 4096, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int u = 0; u < 256; ++u)
            for (int v = 0; v < 256; ++v) {
                const int index = (y << 16) | (u << 8) | v;
                cube.setPixel(index % 4096, index / 4096, qRgb(v, u, y)); // unpacked: B=Y, G=U, R=V
            }
    for (int recommendation : {kPreviewPc601, kPreviewRec601}) {
        QImage image = cube.copy();
        ConvertPreviewToRgb(image, recommendation, image.width(), image.height());
        int mismatches = 0;
        for (int index = 0; index < (1 << 24) && mismatches < 5; ++index) {
            const int y = index >> 16, u = (index >> 8) & 255, v = index & 255;
            const Rgb expected = PlainRgb(y, u, v, recommendation);
            const QRgb p = image.pixel(index % 4096, index / 4096);
            const Rgb got{qRed(p), qGreen(p), qBlue(p)};
            if (got != expected) {
                ++mismatches;
                ADD_FAILURE() << "recommendation " << recommendation << " Y U V " << y << ' ' << u << ' ' << v
                              << ": " << got << " instead of " << expected;
            }
        }
    }
}

TEST(PreviewUnpackTest, TwoPixelsPerGroupRowsByPitch) {
    // Two rows of 4 pixels (8 bytes) with 4 bytes of padding each.
    const uint8_t frame[] = {10, 20, 11, 30, 12, 40, 13, 50, 0xEE, 0xEE, 0xEE, 0xEE,
                             60, 70, 61, 80, 62, 90, 63, 99, 0xEE, 0xEE, 0xEE, 0xEE};
    QImage image;
    UnpackYuy2Preview(frame, 12, 8, 2, image, 4, 2);
    ASSERT_EQ(image.size(), QSize(4, 2));
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    // Bytes 0, 1, 2 of a pixel (blue, green, red) hold Y, U, V.
    EXPECT_EQ(image.pixel(0, 0), qRgb(30, 20, 10));
    EXPECT_EQ(image.pixel(1, 0), qRgb(30, 20, 11));
    EXPECT_EQ(image.pixel(2, 0), qRgb(50, 40, 12));
    EXPECT_EQ(image.pixel(3, 0), qRgb(50, 40, 13));
    EXPECT_EQ(image.pixel(0, 1), qRgb(80, 70, 60));
    EXPECT_EQ(image.pixel(3, 1), qRgb(99, 90, 63));

    // Converting only part of the image leaves the rest as it was.
    ConvertPreviewToRgb(image, kPreviewPc601, 1, 1);
    EXPECT_NE(image.pixel(0, 0), qRgb(30, 20, 10));
    EXPECT_EQ(image.pixel(1, 0), qRgb(30, 20, 11));
    EXPECT_EQ(image.pixel(0, 1), qRgb(80, 70, 60));
}

TEST(PreviewUnpackTest, RowsStayWithinTheWidthWhateverTheRowSize) {
    const QRgb neutral = qRgb(128, 128, 16);
    std::vector<uint8_t> bytes(64 * 4);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);

    // RGB32-like rows: 4 bytes per pixel, twice what the width takes.
    QImage wide;
    UnpackYuy2Preview(bytes.data(), 64, 64, 4, wide, 16, 4);
    ASSERT_EQ(wide.size(), QSize(16, 4));
    EXPECT_EQ(wide.pixel(15, 0), qRgb(31, 29, 30)) << "the 8th group is the last one read";
    EXPECT_EQ(wide.pixel(0, 3), qRgb(195, 193, 192));

    // Luma-only rows (planar formats): one byte per pixel; the rest of the row is neutral.
    QImage narrow;
    UnpackYuy2Preview(bytes.data(), 64, 16, 4, narrow, 16, 4);
    EXPECT_EQ(narrow.pixel(7, 0), qRgb(15, 13, 14));
    EXPECT_EQ(narrow.pixel(8, 0), neutral);
    EXPECT_EQ(narrow.pixel(15, 3), neutral);

    // Fewer rows than the image, an odd width, a missing frame.
    QImage odd;
    UnpackYuy2Preview(bytes.data(), 64, 8, 1, odd, 3, 2);
    EXPECT_EQ(odd.pixel(2, 0), qRgb(7, 5, 4));
    EXPECT_EQ(odd.pixel(0, 1), neutral);
    UnpackYuy2Preview(nullptr, 0, 0, 0, odd, 3, 2);
    EXPECT_EQ(odd.pixel(0, 0), neutral);
    UnpackYuy2Preview(bytes.data(), 64, 64, 4, odd, 0, 2);
    EXPECT_TRUE(odd.isNull());
}

// Every planar and grey format of the table against a plain reference: each pixel's Y and the
// chroma sample it shares, samples above 8 bits divided down to 8 and rounded (half up), then
// the formulas; grey with neutral chroma. Rows are padded, and samples reach past the peak.
TEST(PreviewPlanarTest, EveryPlanarFormatMatchesAPlainReference) {
    constexpr int kW = 12, kH = 6, kPad = 5;
    std::mt19937 random(11);
    int formats = 0;
    for (const avs::PixelFormat& f : avs::PixelFormats()) {
        if (f.family != avs::FormatFamily::PlanarYuv && f.family != avs::FormatFamily::Grey)
            continue;
        ++formats;
        std::uniform_int_distribution<int> sample(
            0, std::min(f.PeakValue() + 3, (1 << (8 * f.bytesPerSample)) - 1));
        std::vector<std::vector<int>> values(f.planes);
        std::vector<std::vector<uint8_t>> bytes(f.planes);
        std::vector<PlaneView> planes(f.planes);
        for (int i = 0; i < f.planes; ++i) {
            const int w = i == 0 ? kW : kW >> f.chromaShiftX, h = f.PlaneHeight(i, kH);
            const int pitch = (w + kPad) * f.bytesPerSample;
            bytes[i].assign(static_cast<size_t>(pitch) * h, 0xEE);
            for (int r = 0; r < h; ++r)
                for (int x = 0; x < w; ++x) {
                    const int v = sample(random);
                    values[i].push_back(v);
                    std::memcpy(&bytes[i][r * pitch + x * f.bytesPerSample], &v,
                                f.bytesPerSample); // little-endian
                }
            planes[i] = {bytes[i].data(), pitch, w * f.bytesPerSample, h};
        }
        const auto eight = [&](int v) {
            return std::min(255, static_cast<int>(std::floor(v / std::pow(2.0, f.bitDepth - 8) + 0.5)));
        };
        for (int recommendation : {kPreviewPc601, kPreviewRec601}) {
            const QImage picture = FrameRgbImage(planes, &f, recommendation, kW, kH);
            ASSERT_EQ(picture.size(), QSize(kW, kH)) << f.name;
            for (int r = 0; r < kH; ++r)
                for (int x = 0; x < kW; ++x) {
                    const int c = (r >> f.chromaShiftY) * (kW >> f.chromaShiftX) + (x >> f.chromaShiftX);
                    const bool grey = f.family == avs::FormatFamily::Grey;
                    const Rgb expected =
                        PlainRgb(eight(values[0][r * kW + x]), grey ? 128 : eight(values[1][c]),
                                 grey ? 128 : eight(values[2][c]), recommendation);
                    const QRgb p = picture.pixel(x, r);
                    ASSERT_EQ((Rgb{qRed(p), qGreen(p), qBlue(p)}), expected)
                        << f.name << " at " << x << ',' << r;
                }
        }
    }
    EXPECT_GE(formats, 8);
    EXPECT_TRUE(FrameRgbImage(std::span<const PlaneView>(), nullptr, kPreviewPc601, kW, kH).isNull());
}

TEST(PreviewFitTest, AspectRatioInsideTheBox) {
    EXPECT_EQ(FitPreviewImage(720, 576), QSize(164, 131));
    EXPECT_EQ(FitPreviewImage(640, 480), QSize(164, 123));
    EXPECT_EQ(FitPreviewImage(1920, 1080), QSize(164, 92));
    EXPECT_EQ(FitPreviewImage(480, 640), QSize(123, 164));
    EXPECT_EQ(FitPreviewImage(300, 300), QSize(164, 164));
    // Exact halves go to the even neighbour: 20.5 -> 20, 61.5 -> 62.
    EXPECT_EQ(FitPreviewImage(16, 2), QSize(164, 20));
    EXPECT_EQ(FitPreviewImage(1, 8), QSize(20, 164));
    EXPECT_EQ(FitPreviewImage(3, 8), QSize(62, 164));
    EXPECT_EQ(FitPreviewImage(0, 0), QSize(164, 164));
}

// Real decoded video through a stand-in AviSynth that serves raw frames (see stand_in_avs_raw_video.cpp).
class PreviewClipTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320, kHeight = 240, kFrames = 3;

    static void SetUpTestSuite() {
        const char* data = std::getenv("BREVANTA_TEST_DATA");
        if (data == nullptr)
            return;
        prepared_ = true;
        folder_ = fs::temp_directory_path() / ("bv_preview_" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        const std::string ff = "ffmpeg -nostdin -loglevel error -y ";
        const std::string yuyv = (folder_ / "orig.yuyv").string();
        const std::string raw = " -f rawvideo -pix_fmt yuyv422 -s 320x240 -i " + yuyv;
        ok_ =
            std::system((ff + "-i " + (fs::path(data) / "orig.mkv").string() + " -frames:v 3 -f rawvideo " +
                         "-pix_fmt yuyv422 " + yuyv)
                            .c_str()) == 0 &&
            std::system(
                (ff + raw + " -f rawvideo -pix_fmt bgr0 " + (folder_ / "rec.bgr0").string()).c_str()) == 0 &&
            std::system((ff + raw + " -vf scale=in_range=full -f rawvideo -pix_fmt bgr0 " +
                         (folder_ / "pc.bgr0").string())
                            .c_str()) == 0;
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    void SetUp() override {
        if (!prepared_)
            GTEST_SKIP() << "BREVANTA_TEST_DATA is not set";
        ASSERT_TRUE(ok_) << "ffmpeg could not decode orig.mkv of the test clips";
    }

    static std::string ClipPath(uint32_t pixelType, int rowSize) {
        char prefix[64];
        std::snprintf(prefix, sizeof prefix, "raw:%x:%d:%d:%d:%d:", pixelType, kWidth, kHeight, kFrames,
                      rowSize);
        return prefix + (folder_ / "orig.yuyv").string();
    }

    static std::vector<uint8_t> Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static inline fs::path folder_;
    static inline bool prepared_ = false;
    static inline bool ok_ = false;
};

TEST_F(PreviewClipTest, RealFramesMatchTheClipBytesAndFfmpegsConversion) {
    ScriptEnvironment environment;
    AvsClip clip = OpenAvsClip(environment, ClipPath(avs::kCsYuy2, 2 * kWidth));
    const std::vector<uint8_t> yuyv = Read(folder_ / "orig.yuyv");
    const size_t frameBytes = static_cast<size_t>(2 * kWidth * kHeight);
    ASSERT_EQ(yuyv.size(), frameBytes * kFrames);

    for (const auto& [recommendation, reference] :
         {std::pair{kPreviewRec601, "rec.bgr0"}, std::pair{kPreviewPc601, "pc.bgr0"}}) {
        const std::vector<uint8_t> rgb = Read(folder_ / reference);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(4 * kWidth * kHeight) * kFrames);
        for (int frame = 0; frame < kFrames; ++frame) {
            QImage image;
            ASSERT_TRUE(RenderPreviewFrame(clip, frame, image, clip.width, clip.height));
            ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
            // Unpacked: every pixel carries its own Y and its pair's U and V.
            const uint8_t* f = yuyv.data() + frameBytes * frame;
            for (int y = 0; y < kHeight; y += 7)
                for (int x = 0; x < kWidth; ++x) {
                    const uint8_t* group = f + 2 * kWidth * y + 4 * (x / 2);
                    ASSERT_EQ(image.pixel(x, y), qRgb(group[3], group[1], group[x % 2 * 2])) << x << ',' << y;
                }
            ConvertPreviewToRgb(image, recommendation, clip.width, clip.height);
            // ffmpeg rounds in fixed point and PC.601's constants differ in the third
            // decimal: close, not equal.
            const uint8_t* ref = rgb.data() + static_cast<size_t>(4 * kWidth * kHeight) * frame;
            double sum = 0;
            int worst = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const QRgb p = image.pixel(x, y);
                    const uint8_t* q = ref + 4 * (kWidth * y + x);
                    for (int d :
                         {std::abs(qBlue(p) - q[0]), std::abs(qGreen(p) - q[1]), std::abs(qRed(p) - q[2])}) {
                        sum += d;
                        worst = std::max(worst, d);
                    }
                }
            EXPECT_LT(sum / (3.0 * kWidth * kHeight), 1.0) << reference << " frame " << frame;
            EXPECT_LE(worst, 4) << reference << " frame " << frame;
        }
    }
    // A frame that cannot be fetched leaves a dark picture of the clip's size.
    QImage image;
    EXPECT_FALSE(RenderPreviewFrame(clip, kFrames, image, clip.width, clip.height));
    EXPECT_EQ(image.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(image.pixel(100, 100), qRgb(128, 128, 16));
}

} // namespace
} // namespace bv
