#include "wizard/load_sources2_page.h"

#include "analysis/template_script.h"
#include "i18n/translate.h"
#include "wizard/ui_text.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace bv {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kOffsetRole = Qt::UserRole + 1;
constexpr int kLargestOffset = 1000000;

// An entry's line: its offset in front, where a long path cannot push it out of sight.
QString EntryText(const QString& path, int offset) {
    return QStringLiteral("[%1] %2").arg(offset > 0 ? QStringLiteral("+%1").arg(offset) : QString::number(offset), path);
}

} // namespace

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
    sourceList->setGeometry(16, 168, 337, 57);
    sourceList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addButton = new QPushButton(Caption("Add..."), sourcesGroup);
    addButton->setObjectName(QStringLiteral("Button27"));
    addButton->setGeometry(472, 168, 75, 25);
    addButton->setAutoDefault(false);
    removeButton = new QPushButton(Caption("Remove"), sourcesGroup);
    removeButton->setObjectName(QStringLiteral("Button26"));
    removeButton->setGeometry(472, 200, 75, 25);
    removeButton->setAutoDefault(false);

    offsetLabel = new QLabel(Caption("Frame Offset:"), sourcesGroup);
    offsetLabel->setGeometry(361, 168, 96, 14);
    offsetEdit = new QSpinBox(sourcesGroup);
    offsetEdit->setObjectName(QStringLiteral("SpinEditOffset"));
    offsetEdit->setGeometry(361, 186, 96, 21);
    offsetEdit->setRange(-kLargestOffset, kLargestOffset);
    offsetEdit->setEnabled(false); // until an entry is selected

    AddInfoAndPlayer(QStringLiteral("Memo11"), QStringLiteral("ActiveMovie2"));

    NextButton()->setEnabled(false); // while the list is empty
    connect(addButton, &QPushButton::clicked, this, &LoadSources2Page::AddSource);
    connect(removeButton, &QPushButton::clicked, this, &LoadSources2Page::RemoveSelected);
    connect(sourceList, &QListWidget::itemSelectionChanged, this, &LoadSources2Page::ShowSelectedOffset);
    connect(offsetEdit, &QSpinBox::valueChanged, this, &LoadSources2Page::SetSelectedOffset);
}

QStringList LoadSources2Page::SourceFiles() const {
    QStringList files;
    for (int i = 0; i < sourceList->count(); ++i)
        files << sourceList->item(i)->data(kPathRole).toString();
    return files;
}

std::vector<int> LoadSources2Page::Offsets() const {
    std::vector<int> offsets;
    for (int i = 0; i < sourceList->count(); ++i)
        offsets.push_back(sourceList->item(i)->data(kOffsetRole).toInt());
    return offsets;
}

void LoadSources2Page::SetSelectedOffset(int offset) {
    for (QListWidgetItem* item : sourceList->selectedItems()) {
        item->setData(kOffsetRole, offset);
        item->setText(EntryText(item->data(kPathRole).toString(), offset));
    }
}

void LoadSources2Page::ShowSelectedOffset() {
    const QList<QListWidgetItem*> selected = sourceList->selectedItems();
    offsetEdit->setEnabled(!selected.isEmpty());
    if (selected.isEmpty())
        return;
    // Showing the entry's offset is no change of it.
    const QSignalBlocker quiet(offsetEdit);
    offsetEdit->setValue(selected.front()->data(kOffsetRole).toInt());
}

void LoadSources2Page::AddSource() {
    const auto chosen = ChooseSource();
    if (!chosen || !ShowSource(*chosen, kGeneratedScript2))
        return;
    auto* item = new QListWidgetItem(EntryText(*chosen, 0));
    item->setData(kPathRole, *chosen);
    item->setData(kOffsetRole, 0);
    sourceList->addItem(item); // the same file may be listed twice
    NextButton()->setEnabled(true);
}

void LoadSources2Page::RemoveSelected() {
    for (QListWidgetItem* item : sourceList->selectedItems())
        delete item;
    NextButton()->setEnabled(sourceList->count() > 0);
}

} // namespace bv
