#include "wizard/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <utility>

namespace bv {

namespace {

const QString kBoxTitle = QStringLiteral("Brevanta");

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(mode);
    // Open: names of files that do not exist are accepted too. Save: the program decides
    // itself whether to ask before replacing a file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(request.filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.selectedFilter));
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString chosen = dialog.selectedFiles().constFirst();
    if (!request.defaultSuffix.isEmpty())
        chosen = WithDefaultSuffix(chosen, request.defaultSuffix);
    return chosen;
}

} // namespace

std::optional<QString> QtDialogs::OpenFile(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::SaveFile(QWidget* parent, const FileDialogRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::ChooseFolder(QWidget* parent, const QString& caption,
                                               const QString& folder) {
    // Folders only, with a new-folder button.
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, caption, folder, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

bool QtDialogs::Confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kBoxTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::Inform(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kBoxTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, kBoxTitle, text, QMessageBox::Ok);
}

QString Dialogs::StartFolder(FolderKind kind) const {
    const QString& folder = folders_[static_cast<size_t>(kind)];
    // Never empty: Qt's file dialogs would start in the folder the last dialog of any kind saw.
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

void Dialogs::SetStartFolder(FolderKind kind, const QString& folder) {
    folders_[static_cast<size_t>(kind)] = folder;
}

std::optional<QString> Dialogs::AskIn(FolderKind kind, QWidget* parent, FileDialogRequest request,
                                      bool save) {
    request.folder = StartFolder(kind);
    std::optional<QString> chosen = save ? SaveFile(parent, request) : OpenFile(parent, request);
    if (chosen)
        SetStartFolder(kind, QFileInfo(*chosen).absolutePath());
    return chosen;
}

std::optional<QString> Dialogs::OpenFileIn(FolderKind kind, QWidget* parent, FileDialogRequest request) {
    return AskIn(kind, parent, std::move(request), false);
}

std::optional<QString> Dialogs::SaveFileIn(FolderKind kind, QWidget* parent, FileDialogRequest request) {
    return AskIn(kind, parent, std::move(request), true);
}

QString WithDefaultSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || suffix.isEmpty())
        return path;
    if (QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + suffix;
}

} // namespace bv
