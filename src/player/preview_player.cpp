#include "player/preview_player.h"

namespace bv {

PreviewPlayer::PreviewPlayer(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // A dark screen, as a player shows before anything plays.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(24, 24, 24));
    setPalette(p);
}

void PreviewPlayer::Open(const QString& fileName) {
    if (fileName.isEmpty())
        return;
    fileName_ = fileName;
    open_ = true;
}

void PreviewPlayer::Close() {
    open_ = false;
}

} // namespace bv
