// Page 1, "Load Source 1": the original video, its template and its video information.
#pragma once

#include "analysis/template_script.h"
#include "wizard/source_page.h"

class QGroupBox;
class QLineEdit;

namespace bv {

class Dialogs;

class LoadSource1Page : public SourcePage {
    Q_OBJECT
public:
    LoadSource1Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent = nullptr);

    QPlainTextEdit* introText;    // Memo1
    QGroupBox* sourceGroup;       // "Source File 1"
    // templateGroup: CheckBox6, Memo3, Button35/34/36; videoInfo: Memo10; player: ActiveMovie1
    QLineEdit* sourcePath;        // Edit1, read-only path of Source File 1
    QPushButton* loadButton;      // Button28 "Load..."

    // How Source File 1 is read; None until a file has been chosen.
    SourceKind Source1Kind() const { return kind_; }

    void FillTexts();
    void LoadSource();

private:
    SourceKind kind_ = SourceKind::None;
};

} // namespace bv
