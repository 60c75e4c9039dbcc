// The preview player beside the video information on the source pages. No playback engine
// is built in yet: the panel keeps the file it was given, so the pages and the run can use
// Open and Close as they will once a player lives here.
#pragma once

#include <QFrame>
#include <QString>

namespace bv {

class PreviewPlayer : public QFrame {
    Q_OBJECT
public:
    explicit PreviewPlayer(QWidget* parent = nullptr);

    // Loads `fileName` without starting playback; an empty name does nothing.
    void Open(const QString& fileName);
    // Lets go of the file, so that a run can open the source on its own.
    void Close();

    const QString& FileName() const { return fileName_; }
    bool IsOpen() const { return open_; }

private:
    QString fileName_;
    bool open_ = false;
};

} // namespace bv
