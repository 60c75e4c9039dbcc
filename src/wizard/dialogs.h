// Every modal question, message and file dialog of the window goes through this interface,
// so that tests can answer them without real modal loops.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace bv {

struct FileDialogRequest {
    QString title;
    QStringList filters;    // Qt name filters, e.g. "AviSynth files (*.avs)"
    int selectedFilter = 0; // index into `filters`
    QString folder;         // starting folder; empty: the system's choice
    QString proposedName;   // file name shown at start; empty: none
    QString defaultSuffix;  // without dot; appended to a name typed without extension
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen file, or nothing when cancelled. Names of files that do not exist are accepted.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // The chosen file name; the dialog itself never asks about overwriting.
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // A folder chosen in a folder browser that offers a new-folder button.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption) = 0;
    // A Yes/No question; true on Yes.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // A plain message with an OK button.
    virtual void Inform(QWidget* parent, const QString& text) = 0;
    // An error's text, as the program shows every failure of an action.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
};

// The real dialogs: QFileDialog and QMessageBox.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption) override;
    bool Confirm(QWidget* parent, const QString& text) override;
    void Inform(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
};

// `path` with ".suffix" appended when its file name has no extension.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

} // namespace bv
