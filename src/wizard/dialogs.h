// Every modal question, message and file dialog of the window goes through this interface,
// so that tests can answer them without real modal loops.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class QWidget;

namespace bv {

// The kinds of file dialogs, each starting where the user last worked with it.
enum class FolderKind { Sources, Templates, SavedResults, StoragePath };

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
    // A folder chosen in a folder browser that offers a new-folder button, starting at `folder`.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption, const QString& folder) = 0;
    // A Yes/No question; true on Yes.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // A plain message with an OK button.
    virtual void Inform(QWidget* parent, const QString& text) = 0;
    // An error's text, as the program shows every failure of an action.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;

    // Where dialogs of `kind` start: the folder last set or chosen there; before that the
    // current directory, never the folder another kind of dialog left behind.
    QString StartFolder(FolderKind kind) const;
    void SetStartFolder(FolderKind kind, const QString& folder);
    // OpenFile / SaveFile starting in the kind's folder; the folder of a chosen file is
    // where the next dialog of that kind starts.
    std::optional<QString> OpenFileIn(FolderKind kind, QWidget* parent, FileDialogRequest request);
    std::optional<QString> SaveFileIn(FolderKind kind, QWidget* parent, FileDialogRequest request);

private:
    std::optional<QString> AskIn(FolderKind kind, QWidget* parent, FileDialogRequest request, bool save);

    std::array<QString, 4> folders_;
};

// The real dialogs: QFileDialog and QMessageBox.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> ChooseFolder(QWidget* parent, const QString& caption, const QString& folder) override;
    bool Confirm(QWidget* parent, const QString& text) override;
    void Inform(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
};

// `path` with ".suffix" appended when its file name has no extension.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

} // namespace bv
