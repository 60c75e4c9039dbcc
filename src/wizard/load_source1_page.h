// Page 1, "Load Source 1": the original video, its template and its video information.
#pragma once

#include "analysis/template_script.h"
#include "wizard/source_info.h"
#include "wizard/wizard_page.h"

class QGroupBox;
class QLineEdit;

namespace bv {

class Dialogs;
class PreviewPlayer;
class TemplateGroup;

class LoadSource1Page : public WizardPage {
    Q_OBJECT
public:
    LoadSource1Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent = nullptr);

    QPlainTextEdit* introText;    // Memo1
    QGroupBox* sourceGroup;       // "Source File 1"
    TemplateGroup* templateGroup; // CheckBox6, Memo3, Button35/34/36
    QLineEdit* sourcePath;        // Edit1, read-only path of Source File 1
    QPushButton* loadButton;      // Button28 "Load..."
    QPlainTextEdit* videoInfo;    // Memo10
    PreviewPlayer* player;        // ActiveMovie1

    // How Source File 1 is read; None until a file has been chosen.
    SourceKind Source1Kind() const { return kind_; }

    void FillTexts();
    void LoadSource();

signals:
    // A source was opened successfully.
    void sourceChosen();

private:
    Dialogs& dialogs_;
    EnvironmentProvider environment_;
    SourceKind kind_ = SourceKind::None;
};

} // namespace bv
