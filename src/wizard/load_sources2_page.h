// Page 2, "Load Sources 2": the encoded videos, their template and the video information.
#pragma once

#include "wizard/source_page.h"

class QGroupBox;
class QListWidget;

namespace bv {

class Dialogs;

class LoadSources2Page : public SourcePage {
    Q_OBJECT
public:
    LoadSources2Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent = nullptr);

    QGroupBox* sourcesGroup;      // "Source Files 2"
    // templateGroup: CheckBox7, Memo7, Button31/33/37; videoInfo: Memo11; player: ActiveMovie2
    QListWidget* sourceList;      // ListBox1, several entries selectable
    QPushButton* addButton;       // Button27 "Add..."
    QPushButton* removeButton;    // Button26 "Remove"

    QStringList SourceFiles() const;

    void AddSource();
    void RemoveSelected();

};

} // namespace bv
