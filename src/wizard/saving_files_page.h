// Page 4, "Saving Your Files": where the logfiles go.
#pragma once

#include "wizard/wizard_page.h"

class QGroupBox;
class QLineEdit;

namespace bv {

class Dialogs;

class SavingFilesPage : public WizardPage {
    Q_OBJECT
public:
    explicit SavingFilesPage(Dialogs& dialogs, QWidget* parent = nullptr);

    QPlainTextEdit* introText; // Memo8
    QGroupBox* storageGroup;   // "Storage Path"
    QLineEdit* storagePath;    // Edit2
    QPushButton* browseButton; // Button39 "Browse..."

    void FillTexts();
    // A chosen folder replaces what was typed; cancelling leaves it.
    void BrowseForStoragePath();

private:
    Dialogs& dialogs_;
};

} // namespace bv
