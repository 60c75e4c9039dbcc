// The player's pictures of each colour space, on the built-in frame server's colour bars: the
// same bars must come out the same way up and in the same colours, whatever the clip's format.
#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "graph/preview_image.h"
#include "player/player_picture.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace bv {
namespace {

class PlayerPictureTest : public ::testing::Test {
protected:
    AvsClip Bars(const std::string& format) {
        const std::string path = "/tmp/bv_player_picture_" + std::to_string(::getpid()) + ".avs";
        std::ofstream(path) << "ColorBars(320, 240, \"" << format << "\")\n";
        AvsClip clip = OpenAvsClip(environment_, path);
        std::remove(path.c_str());
        return clip;
    }
    static int Distance(QRgb a, QRgb b) {
        return std::max(
            {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
    }

    ScriptEnvironment environment_;
};

TEST_F(PlayerPictureTest, EveryColourSpaceShowsTheBarsTheRightWayUp) {
    const QImage rgb32 =
        PlayerPicture(Bars("RGB32"), 0, kPreviewRec601).convertToFormat(QImage::Format_RGB32);
    const QImage rgb24 =
        PlayerPicture(Bars("RGB24"), 0, kPreviewRec601).convertToFormat(QImage::Format_RGB32);
    const AvsClip yuy2Clip = Bars("YUY2");
    // ColorBars' YUV keeps the studio levels of its RGB (as AviSynth+ documents), so shown
    // without range expansion it matches the RGB bars.
    const QImage yuy2 = PlayerPicture(yuy2Clip, 0, kPreviewPc601);
    const QImage yv12 = PlayerPicture(Bars("YV12"), 0, kPreviewPc601);
    for (const QImage* picture : {&rgb32, &rgb24, &yuy2, &yv12})
        ASSERT_EQ(picture->size(), QSize(320, 240));
    EXPECT_EQ(rgb24, rgb32);

    // Top bars, middle band and bottom bars differ: each must be where the RGB picture has it.
    // YUY2 went through YUV and back, so it is close, not equal. (-I and +Q are not compared:
    // their YUV values are SMPTE's own, at black's luma.)
    for (const QPoint p :
         {QPoint(20, 20), QPoint(300, 20), QPoint(20, 170), QPoint(100, 230), QPoint(250, 230)}) {
        EXPECT_LE(Distance(yuy2.pixel(p), rgb32.pixel(p)), 4) << p.x() << ',' << p.y();
        // Planar YUV in colour too, each pixel with the chroma sample it shares.
        EXPECT_LE(Distance(yv12.pixel(p), rgb32.pixel(p)), 4) << p.x() << ',' << p.y();
    }
    EXPECT_GT(Distance(rgb32.pixel(20, 20), rgb32.pixel(100, 230)), 40)
        << "the test needs different top and bottom";
}

TEST_F(PlayerPictureTest, NoPictureWithoutAFrame) {
    AvsClip closed;
    EXPECT_TRUE(PlayerPicture(closed, 0, kPreviewPc601).isNull());
}

} // namespace
} // namespace bv
