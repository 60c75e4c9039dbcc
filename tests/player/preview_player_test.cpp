// The preview player against the stand-in AviSynth of the window's tests, whose frame n is
// filled with the byte n (+ a bias) and whose frame rate a script may set.
#include "frame_source/script_environment.h"
#include "graph/preview_image.h"
#include "player/preview_player.h"
#include "support/stand_in_probe.h"

#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <stdexcept>

using namespace bv;

namespace {

int OpenClips() {
    return standin::LoadedCounters().clipsOpen;
}

// The picture of a frame filled with the byte `value`, as the preview conversion gives it.
QRgb FramePixel(int value, int recommendation = kPreviewPc601) {
    const uint8_t group[4] = {uint8_t(value), uint8_t(value), uint8_t(value), uint8_t(value)};
    QImage image;
    UnpackYuy2Preview(group, 4, 4, 1, image, 2, 1);
    ConvertPreviewToRgb(image, recommendation, 2, 1);
    return image.pixel(0, 0);
}

struct PlayerFixture {
    QTemporaryDir dir;
    ScriptEnvironment environment;
    PreviewPlayer player;

    PlayerFixture() {
        player.resize(170, 128);
        player.SetEnvironment([this]() -> ScriptEnvironment& { return environment; });
    }
    QString Script(const char* name, const QByteArray& line) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(line + "\r\n") < 0)
            qFatal("cannot write %s", name);
        return path;
    }
    QRgb Shown() const { return player.Picture().pixel(3, 3); }
};

} // namespace

class PreviewPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void openShowsTheFirstFramePaused() {
        PlayerFixture f;
        QVERIFY(!f.player.playButton->isEnabled());
        const QString script = f.Script("a.avs", "clip 60000004 64 48 10 bias 50");
        f.player.Open(script);
        QVERIFY(f.player.IsOpen());
        QVERIFY(!f.player.IsPlaying());
        QCOMPARE(f.player.FileName(), script);
        QCOMPARE(f.player.Position(), 0);
        QCOMPARE(f.player.Picture().size(), QSize(64, 48));
        QCOMPARE(f.Shown(), FramePixel(50));
        QCOMPARE(f.player.positionSlider->maximum(), 9);
        QVERIFY(f.player.playButton->isEnabled() && f.player.positionSlider->isEnabled());
        QCOMPARE(f.player.playButton->toolTip(), QStringLiteral("Play"));
        QTest::qWait(100);
        QCOMPARE(f.player.Position(), 0); // no automatic start
    }

    void playsAtTheClipsRateAndStopsAtTheLastFrame() {
        PlayerFixture f;
        // The player's clock, moved by the test: frames follow it, however busy the machine.
        qint64 now = 1000;
        f.player.SetClock([&now] { return now; });
        f.player.Open(f.Script("a.avs", "clip 60000004 64 48 20 fps 50 1"));
        f.player.playButton->click();
        QVERIFY(f.player.IsPlaying());
        QCOMPARE(f.player.playButton->toolTip(), QStringLiteral("Pause"));
        QTest::qWait(60); // ticks come, but no time has passed on the clock
        QCOMPARE(f.player.Position(), 0);
        // 50 frames per second: frame 5 is due after 100 ms, frame 18 after 379 ms.
        now += 100;
        QTRY_COMPARE(f.player.Position(), 5);
        QCOMPARE(f.Shown(), FramePixel(5));
        QCOMPARE(f.player.positionSlider->value(), 5);
        now += 279;
        QTRY_COMPARE(f.player.Position(), 18);
        QVERIFY(f.player.IsPlaying());
        now += 1;
        QTRY_VERIFY(!f.player.IsPlaying());
        QCOMPARE(f.player.Position(), 19);
        QCOMPARE(f.Shown(), FramePixel(19));
        QCOMPARE(f.player.playButton->toolTip(), QStringLiteral("Play"));
        // Play at the end starts from the first frame again.
        f.player.Play();
        QCOMPARE(f.player.Position(), 0);
        f.player.playButton->click();
        QVERIFY(!f.player.IsPlaying());
    }

    void playerOutOfSightPauses() {
        PlayerFixture f;
        f.player.show();
        f.player.Open(f.Script("a.avs", "clip 60000004 64 48 100"));
        f.player.Play();
        QVERIFY(f.player.IsPlaying());
        f.player.hide();
        QVERIFY(!f.player.IsPlaying());
        QVERIFY(f.player.IsOpen());
    }

    void sliderShowsTheFrameItPointsTo() {
        PlayerFixture f;
        qint64 now = 0;
        f.player.SetClock([&now] { return now; });
        f.player.Open(f.Script("a.avs", "clip 60000004 64 48 100"));
        f.player.positionSlider->setValue(42);
        QCOMPARE(f.player.Position(), 42);
        QCOMPARE(f.Shown(), FramePixel(42));
        // Playing goes on from where the slider was put.
        f.player.Play();
        now += 500;
        f.player.positionSlider->setValue(80);
        now += 80; // two frames at 25 per second, counted from the new position
        QTRY_COMPARE(f.player.Position(), 82);
        f.player.Pause();
        // The recommendation applies to the paused frame at once.
        const int at = f.player.Position();
        f.player.SetRecommendation(kPreviewRec601);
        QCOMPARE(f.Shown(), FramePixel(at, kPreviewRec601));
    }

    void closeAndEveryNewOpenLetGoOfTheClip() {
        const int before = OpenClips();
        {
            PlayerFixture f;
            f.player.Open(f.Script("a.avs", "clip 60000004 64 48 10"));
            QCOMPARE(OpenClips(), before + 1);
            f.player.Play();
            f.player.Open(f.Script("b.avs", "clip 60000004 32 32 5"));
            QCOMPARE(OpenClips(), before + 1);
            QVERIFY(!f.player.IsPlaying());
            QCOMPARE(f.player.Picture().size(), QSize(32, 32));
            f.player.Play();
            f.player.Close();
            QCOMPARE(OpenClips(), before);
            QVERIFY(!f.player.IsOpen() && !f.player.IsPlaying());
            QVERIFY(f.player.Picture().isNull());
            QVERIFY(!f.player.playButton->isEnabled());
            f.player.Close(); // twice is harmless
            f.player.Open(f.Script("c.avs", "clip 60000004 64 48 10"));
        }
        QCOMPARE(OpenClips(), before); // the player's end releases its clip
    }

    void whatAviSynthCannotOpenLeavesThePlayerEmptyAndSilent() {
        PlayerFixture f;
        f.player.Open(f.Script("good.avs", "clip 60000004 64 48 10"));
        const QString broken =
            f.Script("broken.avs", "error Script error: there is no function named \"Foo\"");
        f.player.Open(broken);
        QCOMPARE(f.player.FileName(), broken);
        QVERIFY(!f.player.IsOpen());
        QVERIFY(f.player.Picture().isNull());
        QVERIFY(!f.player.playButton->isEnabled());
        f.player.Play(); // nothing to play
        QVERIFY(!f.player.IsPlaying());

        f.player.Open(QString()); // an empty name does nothing
        QCOMPARE(f.player.FileName(), broken);

        // Without AviSynth the player stays empty too.
        PreviewPlayer lonely;
        lonely.SetEnvironment([]() -> ScriptEnvironment& { throw std::runtime_error("no AviSynth"); });
        lonely.Open(f.Script("x.avs", "clip 60000004 64 48 10"));
        QVERIFY(!lonely.IsOpen());
    }
};

QTEST_MAIN(PreviewPlayerTest)
#include "preview_player_test.moc"
