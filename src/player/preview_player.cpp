#include "player/preview_player.h"

#include "frame_source/avs_clip.h"
#include "frame_source/script_environment.h"
#include "i18n/translate.h"
#include "player/player_picture.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

namespace bv {

namespace {

constexpr int kTransportHeight = 22;
constexpr double kFallbackFps = 25.0; // for clips that report no frame rate

} // namespace

// The video area: the picture fitted into it with its aspect ratio, on black.
class PreviewPlayer::Screen : public QWidget {
public:
    explicit Screen(const PreviewPlayer& player, QWidget* parent) : QWidget(parent), player_(player) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(16, 16, 16));
        const QImage& picture = player_.Picture();
        if (picture.isNull())
            return;
        const QSize fitted = picture.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, picture);
    }

private:
    const PreviewPlayer& player_;
};

PreviewPlayer::PreviewPlayer(QWidget* parent)
    : QFrame(parent), clip_(std::make_unique<AvsClip>()), screen_(new Screen(*this, this)),
      timer_(new QTimer(this)), now_([] {
          using namespace std::chrono;
          return static_cast<qint64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
      }) {
    setFrameStyle(QFrame::NoFrame);
    playButton = new QToolButton(this);
    playButton->setObjectName(QStringLiteral("PlayButton"));
    playButton->setAutoRaise(true);
    positionSlider = new QSlider(Qt::Horizontal, this);
    positionSlider->setObjectName(QStringLiteral("PositionSlider"));
    positionSlider->setRange(0, 0);
    timer_->setTimerType(Qt::PreciseTimer);

    connect(playButton, &QToolButton::clicked, this, [this] { IsPlaying() ? Pause() : Play(); });
    connect(positionSlider, &QSlider::valueChanged, this, &PreviewPlayer::Seek);
    connect(timer_, &QTimer::timeout, this, &PreviewPlayer::Tick);
    UpdateControls();
}

PreviewPlayer::~PreviewPlayer() {
    Close();
}

void PreviewPlayer::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int screenHeight = std::max(0, height() - kTransportHeight);
    screen_->setGeometry(0, 0, width(), screenHeight);
    playButton->setGeometry(0, screenHeight, kTransportHeight, kTransportHeight);
    positionSlider->setGeometry(kTransportHeight + 2, screenHeight,
                                std::max(0, width() - kTransportHeight - 4), kTransportHeight);
}

void PreviewPlayer::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    Pause();
}

bool PreviewPlayer::IsOpen() const {
    return clip_->isOpen();
}

bool PreviewPlayer::IsPlaying() const {
    return timer_->isActive();
}

int PreviewPlayer::FrameCount() const {
    return clip_->frameCount;
}

void PreviewPlayer::SetRecommendation(int recommendation) {
    if (recommendation == recommendation_)
        return;
    recommendation_ = recommendation;
    if (IsOpen() && !IsPlaying())
        ShowFrame(position_);
}

void PreviewPlayer::Open(const QString& fileName) {
    if (fileName.isEmpty())
        return;
    Close();
    fileName_ = fileName;
    if (environment_) {
        try {
            *clip_ = OpenAvsClip(environment_(), fileName.toStdString());
        } catch (const std::exception&) {
            // The source page reports what AviSynth said; the player just stays empty.
            CloseAvsClip(*clip_);
        }
    }
    if (IsOpen() && clip_->frameCount > 0)
        ShowFrame(0);
    else
        CloseAvsClip(*clip_);
    UpdateControls();
}

void PreviewPlayer::Close() {
    timer_->stop();
    CloseAvsClip(*clip_);
    picture_ = QImage();
    position_ = 0;
    UpdateControls();
    screen_->update();
}

void PreviewPlayer::Play() {
    if (!IsOpen() || IsPlaying())
        return;
    // At the end, playing starts again from the first frame.
    if (position_ >= clip_->frameCount - 1)
        ShowFrame(0);
    playedFrom_ = position_;
    playStart_ = now_();
    timer_->start(std::max(1, static_cast<int>(std::lround(1000.0 / FramesPerSecond()))));
    UpdateControls();
}

void PreviewPlayer::Pause() {
    timer_->stop();
    UpdateControls();
}

void PreviewPlayer::Seek(int frame) {
    if (!IsOpen())
        return;
    frame = std::clamp(frame, 0, clip_->frameCount - 1);
    if (frame != position_)
        ShowFrame(frame);
    if (IsPlaying()) {
        playedFrom_ = position_;
        playStart_ = now_();
    }
}

void PreviewPlayer::Tick() {
    const long long due = playedFrom_ + static_cast<long long>((now_() - playStart_) * FramesPerSecond() / 1000.0);
    const int last = clip_->frameCount - 1;
    if (due >= last) {
        ShowFrame(last);
        Pause(); // no rewind, no loop
        return;
    }
    if (due > position_)
        ShowFrame(static_cast<int>(due));
}

double PreviewPlayer::FramesPerSecond() const {
    if (clip_->fpsNumerator == 0 || clip_->fpsDenominator == 0)
        return kFallbackFps;
    return static_cast<double>(clip_->fpsNumerator) / clip_->fpsDenominator;
}

void PreviewPlayer::ShowFrame(int frame) {
    position_ = frame;
    picture_ = PlayerPicture(*clip_, frame, recommendation_);
    {
        const QSignalBlocker quiet(positionSlider);
        positionSlider->setValue(frame);
    }
    screen_->update();
}

void PreviewPlayer::UpdateControls() {
    const bool open = IsOpen();
    playButton->setEnabled(open);
    positionSlider->setEnabled(open);
    {
        const QSignalBlocker quiet(positionSlider);
        positionSlider->setRange(0, open ? clip_->frameCount - 1 : 0);
        positionSlider->setValue(position_);
    }
    const bool playing = IsPlaying();
    playButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    playButton->setToolTip(QString::fromStdString(playing ? Translate("Pause") : Translate("Play")));
}

} // namespace bv
