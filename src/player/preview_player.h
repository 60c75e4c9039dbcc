// The preview player beside the video information on the source pages. It plays the
// source's AviSynth clip itself, on the window's thread, which is then AviSynth's only user:
// a screen, a play/pause button and a position slider.
#pragma once

#include <QFrame>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QSlider;
class QTimer;
class QToolButton;

namespace bv {

struct AvsClip;
class ScriptEnvironment;

class PreviewPlayer : public QFrame {
    Q_OBJECT
public:
    // The window's one script environment; throws when AviSynth is missing.
    using EnvironmentProvider = std::function<ScriptEnvironment&()>;

    explicit PreviewPlayer(QWidget* parent = nullptr);
    ~PreviewPlayer() override;

    void SetEnvironment(EnvironmentProvider environment) { environment_ = std::move(environment); }
    // Milliseconds on a steady clock, which paces playing (tests bring their own).
    void SetClock(std::function<qint64()> now) { now_ = std::move(now); }
    // The preview conversion used for YUY2 clips: 1 PC.601, 2 REC.601.
    void SetRecommendation(int recommendation);

    // Opens the script `fileName` and shows its first frame, paused. An empty name does
    // nothing; a file AviSynth cannot open leaves the player empty, without a message.
    void Open(const QString& fileName);
    // Stops and lets go of the clip, so that a run can open the source on its own.
    void Close();

    void Play();
    void Pause();
    // Shows frame `frame` (clamped to the clip); playing goes on from there.
    void Seek(int frame);

    const QString& FileName() const { return fileName_; }
    bool IsOpen() const;
    bool IsPlaying() const;
    int Position() const { return position_; }
    int FrameCount() const;
    // The frame on the screen, at the clip's size; null while nothing is open.
    const QImage& Picture() const { return picture_; }

    QToolButton* playButton; // play / pause
    QSlider* positionSlider; // the frame shown

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A player that goes out of sight (another wizard page) stops decoding.
    void hideEvent(QHideEvent* event) override;

private:
    class Screen;
    void ShowFrame(int frame);
    void Tick();
    void UpdateControls();
    double FramesPerSecond() const;

    EnvironmentProvider environment_;
    std::unique_ptr<AvsClip> clip_;
    QString fileName_;
    QImage picture_;
    int position_ = 0;
    int recommendation_ = 1;
    Screen* screen_;
    QTimer* timer_;
    // Playing keeps to the clock: the frame due is counted from where playing began, so a
    // slow frame is skipped rather than slowing the clip down.
    std::function<qint64()> now_;
    qint64 playStart_ = 0;
    int playedFrom_ = 0;
};

} // namespace bv
