// The template part of a source page: the switch, the editor and its Load/Save/Delete
// buttons. A template is an AviSynth script in which "$FileName" stands for the chosen file.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace bv {

class Dialogs;

struct TemplateGroupNames {
    QString switchBox; // "AviSynth Template"
    QString editor;
    QString load;   // "Load..."
    QString save;   // "Save..."
    QString remove; // "Delete"
};

class TemplateGroup : public QObject {
    Q_OBJECT
public:
    // Creates the controls inside `group`, at the places both source pages share.
    TemplateGroup(QWidget* group, const TemplateGroupNames& names, Dialogs& dialogs);

    QCheckBox* Switch() const { return switch_; }
    QPlainTextEdit* Editor() const { return editor_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* DeleteButton() const { return delete_; }

    bool IsSwitchedOn() const;
    // The editor's lines as a script is generated from them.
    QStringList Lines() const;

    void ApplySwitch();
    void LoadTemplate();
    void SaveTemplate();
    void DeleteTemplate();

private:
    QWidget* group_;
    Dialogs& dialogs_;
    QCheckBox* switch_;
    QPlainTextEdit* editor_;
    QPushButton* load_;
    QPushButton* save_;
    QPushButton* delete_;
};

} // namespace bv
