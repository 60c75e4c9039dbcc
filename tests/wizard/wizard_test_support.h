// What the window's tests share: a window with scripted dialogs, clip scripts for the
// stand-in AviSynth, and quick ways to reach controls.
#pragma once

#include "wizard/scripted_dialogs.h"
#include "wizard/wizard_window.h"

#include <QAbstractButton>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace bv::test {

// Pixel types of the stand-in library's clips.
inline constexpr const char* kYuy2 = "60000004";
inline constexpr const char* kYv12 = "A0000008";

struct TestWindow {
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::unique_ptr<WizardWindow> window;

    explicit TestWindow(RunController::RunFunction run = {}, std::function<bool()> shutdown = {});

    template <typename T = QAbstractButton>
    T* Find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // Clicks a button (a disabled one does nothing, as for a user).
    void Click(const char* name) const;
    QStringList VisibleTabs() const;
    int CurrentPage() const;

    // Chooses `path` with "Load..." of Source File 1 / "Add..." of Source Files 2.
    void LoadSource1(const QString& path) const;
    void AddSource2(const QString& path) const;
    // Walks "Next" from "Welcome" to "Job Summary" (sources must be chosen).
    void WalkToJobSummary() const;
};

// Writes a script the stand-in library opens as a clip of `frames` frames; `options` are
// the stand-in's own ("fps 50 1", "bias 3").
QString WriteClipScript(const QTemporaryDir& dir, const QString& name, int frames = 250, int width = 320,
                        int height = 240, const char* pixelType = kYuy2, const char* options = "");
// Clips the stand-in library holds open now.
int OpenStandInClips();
QString WriteTextFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

} // namespace bv::test
