// Page 2, "Load Sources 2": the encoded videos, their template and the video information.
#pragma once

#include "wizard/source_info.h"
#include "wizard/wizard_page.h"

class QGroupBox;
class QListWidget;

namespace bv {

class Dialogs;
class PreviewPlayer;
class TemplateGroup;

class LoadSources2Page : public WizardPage {
    Q_OBJECT
public:
    LoadSources2Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent = nullptr);

    QGroupBox* sourcesGroup;      // "Source Files 2"
    TemplateGroup* templateGroup; // CheckBox7, Memo7, Button31/33/37
    QListWidget* sourceList;      // ListBox1, several entries selectable
    QPushButton* addButton;       // Button27 "Add..."
    QPushButton* removeButton;    // Button26 "Remove"
    QPlainTextEdit* videoInfo;    // Memo11
    PreviewPlayer* player;        // ActiveMovie2

    QStringList SourceFiles() const;

    void AddSource();
    void RemoveSelected();

signals:
    void sourceChosen();

private:
    Dialogs& dialogs_;
    EnvironmentProvider environment_;
};

} // namespace bv
