// What the two source pages share: the template group, the video-information box, the preview
// player, and choosing a source and showing what it is.
#pragma once

#include "wizard/source_info.h"
#include "wizard/template_group.h"
#include "wizard/wizard_page.h"

#include <optional>

class QGroupBox;

namespace bv {

class Dialogs;
class PreviewPlayer;

class SourcePage : public WizardPage {
    Q_OBJECT
public:
    TemplateGroup* templateGroup; // the page's template switch, editor and buttons
    QPlainTextEdit* videoInfo;    // the video-information box
    PreviewPlayer* player;        // the preview player beside it

signals:
    // A source was opened successfully.
    void sourceChosen();

protected:
    SourcePage(const QString& objectName, const QString& heading, const QString& previousName,
               const QString& nextName, const QString& cancelName, Dialogs& dialogs,
               EnvironmentProvider environment, QWidget* parent);

    // The template group inside `group`; then the page's own controls; then the box and the
    // player at their places (creation order is the keyboard's tab order).
    void AddTemplateGroup(QGroupBox* group, const TemplateGroupNames& designerNames);
    void AddInfoAndPlayer(const QString& infoName, const QString& playerName);

    // The source dialog; nothing when the user cancels.
    std::optional<QString> ChooseSource();

    // Opens `chosen` (through `scriptName` when it is no script) and shows its information.
    // An error is shown in a message box and leaves the box empty; returns whether it opened.
    bool ShowSource(const QString& chosen, const char* scriptName);

private:
    Dialogs& dialogs_;
    EnvironmentProvider environment_;
};

} // namespace bv
