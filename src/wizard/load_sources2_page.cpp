#include "wizard/load_sources2_page.h"

#include "analysis/template_script.h"
#include "i18n/translate.h"
#include "wizard/ui_text.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace bv {

LoadSources2Page::LoadSources2Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent)
    : SourcePage(QStringLiteral("TabSheet3"), Caption("Load Sources 2"), QStringLiteral("Button8"),
                 QStringLiteral("Button10"), QStringLiteral("Button7"), dialogs, std::move(environment),
                 parent) {
    sourcesGroup = new QGroupBox(Caption("Source Files 2"), this);
    sourcesGroup->setObjectName(QStringLiteral("GroupBox2"));
    sourcesGroup->setGeometry(96, 56, 577, 241);
    AddTemplateGroup(sourcesGroup,
                     {QStringLiteral("CheckBox7"), QStringLiteral("Memo7"), QStringLiteral("Button31"),
                      QStringLiteral("Button33"), QStringLiteral("Button37")});
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

    AddInfoAndPlayer(QStringLiteral("Memo11"), QStringLiteral("ActiveMovie2"));

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
    const auto chosen = ChooseSource();
    if (!chosen || !ShowSource(*chosen, kGeneratedScript2))
        return;
    sourceList->addItem(*chosen); // the same file may be listed twice
    NextButton()->setEnabled(true);
}

void LoadSources2Page::RemoveSelected() {
    for (QListWidgetItem* item : sourceList->selectedItems())
        delete item;
    NextButton()->setEnabled(sourceList->count() > 0);
}

} // namespace bv
