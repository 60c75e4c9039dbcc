#include "wizard/load_sources2_page.h"

#include "analysis/template_script.h"
#include "i18n/translate.h"
#include "player/preview_player.h"
#include "wizard/template_group.h"
#include "wizard/ui_text.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>

namespace bv {

LoadSources2Page::LoadSources2Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet3"), Caption("Load Sources 2"), QStringLiteral("Button8"),
                 QStringLiteral("Button10"), QStringLiteral("Button7"), parent),
      dialogs_(dialogs), environment_(std::move(environment)) {
    sourcesGroup = new QGroupBox(Caption("Source Files 2"), this);
    sourcesGroup->setObjectName(QStringLiteral("GroupBox2"));
    sourcesGroup->setGeometry(96, 56, 577, 241);
    templateGroup =
        new TemplateGroup(sourcesGroup,
                          {QStringLiteral("CheckBox7"), QStringLiteral("Memo7"), QStringLiteral("Button31"),
                           QStringLiteral("Button33"), QStringLiteral("Button37")},
                          dialogs);
    sourceList = new QListWidget(sourcesGroup);
    sourceList->setObjectName(QStringLiteral("ListBox1"));
    sourceList->setGeometry(16, 168, 441, 57);
    sourceList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addButton = new QPushButton(Caption("Add..."), sourcesGroup);
    addButton->setObjectName(QStringLiteral("Button27"));
    addButton->setGeometry(472, 168, 75, 25);
    addButton->setAutoDefault(false);
    removeButton = new QPushButton(Caption("Remove"), sourcesGroup);
    removeButton->setObjectName(QStringLiteral("Button26"));
    removeButton->setGeometry(472, 200, 75, 25);
    removeButton->setAutoDefault(false);

    videoInfo = MakeReadOnlyBox(this, QStringLiteral("Memo11"), QRect(96, 312, 393, 129));
    player = new PreviewPlayer(this);
    player->setObjectName(QStringLiteral("ActiveMovie2"));
    player->setGeometry(504, 312, 170, 128);

    NextButton()->setEnabled(false); // while the list is empty
    connect(addButton, &QPushButton::clicked, this, &LoadSources2Page::AddSource);
    connect(removeButton, &QPushButton::clicked, this, &LoadSources2Page::RemoveSelected);
}

QStringList LoadSources2Page::SourceFiles() const {
    QStringList files;
    for (int i = 0; i < sourceList->count(); ++i)
        files << sourceList->item(i)->text();
    return files;
}

void LoadSources2Page::AddSource() {
    const auto chosen = dialogs_.OpenFile(window(), SourceDialogRequest(templateGroup->IsSwitchedOn()));
    if (!chosen)
        return;
    videoInfo->clear();
    try {
        const QStringList info =
            OpenSourceForInfo(environment_(), *chosen, templateGroup->Lines(), kGeneratedScript2, *player);
        videoInfo->setPlainText(info.join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        dialogs_.ShowError(window(), QString::fromStdString(e.what()));
        return;
    }
    emit sourceChosen();
    ScrollToStart(videoInfo);
    sourceList->addItem(*chosen); // the same file may be listed twice
    NextButton()->setEnabled(true);
}

void LoadSources2Page::RemoveSelected() {
    for (QListWidgetItem* item : sourceList->selectedItems())
        delete item;
    NextButton()->setEnabled(sourceList->count() > 0);
}

} // namespace bv
