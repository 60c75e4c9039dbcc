// Page 2, "Load Sources 2": the encoded videos, their template and the video information.
#pragma once

#include "wizard/source_page.h"

#include <vector>

class QGroupBox;
class QLabel;
class QListWidget;
class QSpinBox;

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
    QLabel* offsetLabel;          // "Frame Offset:"
    QSpinBox* offsetEdit;         // the frame offset of the selected entries

    QStringList SourceFiles() const;
    // Per entry, in list order: its encoded frame n + offset is compared with original frame n.
    std::vector<int> Offsets() const;
    // Gives the selected entries `offset` and shows it in their lines.
    void SetSelectedOffset(int offset);

    void AddSource();
    void RemoveSelected();

private:
    void ShowSelectedOffset();

};

} // namespace bv
