// Opening a chosen source once, only to show what it is.
#pragma once

#include "wizard/dialogs.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace bv {

struct AvsClip;
class PreviewPlayer;
class ScriptEnvironment;

// The window's one script environment, created on first use; throws when AviSynth is missing.
using EnvironmentProvider = std::function<ScriptEnvironment&()>;

// The source file dialog: AviSynth scripts, and every file while the template is unlocked.
FileDialogRequest SourceDialogRequest(bool templateSwitchOn);

// The lines of a page's video-information box.
QStringList VideoInfoLines(const QString& path, const AvsClip& clip);

// Opens `path` (a script as it is, any other file through the generated script
// `scriptName`, which stays on disk for the player), hands the player what it can play,
// reads the video information and closes the clip again. Throws the error of whatever failed.
QStringList OpenSourceForInfo(ScriptEnvironment& environment, const QString& path,
                              const QStringList& templateLines, const char* scriptName,
                              PreviewPlayer& player);

} // namespace bv
