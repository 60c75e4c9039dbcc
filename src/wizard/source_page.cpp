#include "wizard/source_page.h"

#include "analysis/report_texts.h"
#include "analysis/template_script.h"
#include "player/preview_player.h"
#include "wizard/ui_text.h"
#include "wizard/template_group.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <exception>

namespace bv {

SourcePage::SourcePage(const QString& objectName, const QString& heading, const QString& previousName,
                       const QString& nextName, const QString& cancelName, Dialogs& dialogs,
                       EnvironmentProvider environment, QWidget* parent)
    : WizardPage(objectName, heading, previousName, nextName, cancelName, parent), dialogs_(dialogs),
      environment_(std::move(environment)) {}

void SourcePage::AddTemplateGroup(QGroupBox* group, const TemplateGroupNames& designerNames) {
    templateGroup = new TemplateGroup(group, designerNames, dialogs_);
}

void SourcePage::AddInfoAndPlayer(const QString& infoName, const QString& playerName) {
    videoInfo = MakeReadOnlyBox(this, infoName, QRect(96, 312, 393, 129));
    player = new PreviewPlayer(this);
    player->setObjectName(playerName);
    player->setGeometry(504, 312, 170, 128);
}

std::optional<QString> SourcePage::ChooseSource() {
    return dialogs_.OpenFileIn(FolderKind::Sources, window(), SourceDialogRequest(templateGroup->IsSwitchedOn()));
}

bool SourcePage::ShowSource(const QString& chosen, const char* scriptName) {
    videoInfo->clear();
    try {
        const QStringList info =
            OpenSourceForInfo(environment_(), chosen, templateGroup->Lines(), scriptName, *player);
        videoInfo->setPlainText(info.join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        dialogs_.ShowError(window(), QString::fromStdString(e.what()));
        return false;
    }
    // A template without $FileName reads the video it names, whatever file was chosen.
    const bool first = std::string_view(scriptName) == kGeneratedScript1;
    if (SourceKindOf(ToStd(chosen)) == SourceKind::TemplateScript &&
        TemplateIgnoresSource(ToStdLines(templateGroup->Lines())))
        dialogs_.Inform(window(), QString::fromStdString(MissingFileNameWarning(first ? 1 : 2)));
    emit sourceChosen();
    ScrollToStart(videoInfo);
    return true;
}

} // namespace bv
