#include "wizard/saving_files_page.h"

#include "i18n/translate.h"
#include "wizard/dialogs.h"
#include "wizard/ui_text.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace bv {

SavingFilesPage::SavingFilesPage(Dialogs& dialogs, QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet5"), Caption("Saving Your Files"), QStringLiteral("Button16"),
                 QStringLiteral("Button2"), QStringLiteral("Button19"), parent),
      dialogs_(dialogs) {
    introText = MakeIntroText(this, QStringLiteral("Memo8"), QRect(96, 56, 577, 49));
    storageGroup = new QGroupBox(Caption("Storage Path"), this);
    storageGroup->setObjectName(QStringLiteral("GroupBox7"));
    storageGroup->setGeometry(96, 120, 577, 57);
    storagePath = new QLineEdit(storageGroup);
    storagePath->setObjectName(QStringLiteral("Edit2"));
    storagePath->setGeometry(16, 20, 441, 21);
    browseButton = new QPushButton(Caption("Browse..."), storageGroup);
    browseButton->setObjectName(QStringLiteral("Button39"));
    browseButton->setGeometry(472, 20, 91, 21);
    browseButton->setAutoDefault(false);
    connect(browseButton, &QPushButton::clicked, this, &SavingFilesPage::BrowseForStoragePath);
}

void SavingFilesPage::FillTexts() {
    introText->setPlainText(
        Tr("Here can you enter your storage path. If no storage path is given, all logfiles "
           "will be saved to the folder containing your source file 1."));
}

void SavingFilesPage::BrowseForStoragePath() {
    // The folder typed in the field, else the one chosen here last.
    QString start = storagePath->text();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = dialogs_.StartFolder(FolderKind::StoragePath);
    if (const auto folder =
            dialogs_.ChooseFolder(window(), Tr("Select a folder in the list below, then click OK."), start)) {
        storagePath->setText(*folder);
        dialogs_.SetStartFolder(FolderKind::StoragePath, *folder);
    }
}

} // namespace bv
