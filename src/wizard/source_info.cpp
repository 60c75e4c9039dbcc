#include "wizard/source_info.h"

#include "analysis/template_script.h"
#include "frame_source/avs_error.h"
#include "frame_source/avs_clip.h"
#include "i18n/translate.h"
#include "player/preview_player.h"
#include "wizard/file_filters.h"
#include "wizard/ui_text.h"

namespace bv {

FileDialogRequest SourceDialogRequest(bool templateSwitchOn) {
    FileDialogRequest request;
    request.filters = {AviSynthFilesFilter()};
    if (templateSwitchOn) {
        request.filters << AllFilesFilter();
        request.selectedFilter = 1;
    }
    return request;
}

QStringList VideoInfoLines(const QString& path, const AvsClip& clip) {
    const QString sep = QStringLiteral(": ");
    return {
        Tr("File Name") + sep + path,
        Tr("Start Frame") + sep + QStringLiteral("0"),
        Tr("End Frame") + sep + QString::number(clip.frameCount - 1),
        QString(),
        Tr("Video Info") + QStringLiteral(":"),
        Tr("Frame Size") + sep + QString::number(clip.width) + QStringLiteral(" x ") +
            QString::number(clip.height),
        Tr("Color Space") + sep + QString::fromStdString(ColorSpaceName(clip)),
    };
}

QStringList OpenSourceForInfo(ScriptEnvironment& environment, const QString& path,
                              const QStringList& templateLines, const char* scriptName,
                              PreviewPlayer& player) {
    const std::string source = ToStd(path);
    const bool isScript = SourceKindOf(source) == SourceKind::ScriptFile;
    const QString playable = isScript ? path : QString::fromStdString(GeneratedScriptPath(scriptName));
    AvsClip clip;
    try {
        const bool first = std::string_view(scriptName) == kGeneratedScript1;
        clip = OpenSourceClip(environment, source, ToStdLines(templateLines), scriptName, /*keepScript=*/true,
                              Translate(first ? "AviSynth Template 1" : "AviSynth Template 2"));
    } catch (const EAviSynthCException&) {
        // The script exists (AviSynth read it and refused): the player gets it all the same.
        player.Open(playable);
        throw;
    }
    player.Open(playable);
    QStringList lines = VideoInfoLines(path, clip);
    CloseAvsClip(clip);
    return lines;
}

} // namespace bv
