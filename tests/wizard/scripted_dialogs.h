// Dialogs answered from queues the test fills beforehand; every question is recorded.
// A file or folder answer of kCancel cancels the dialog. A dialog the test did not expect
// is answered with Cancel or No and noted in `unexpected`.
#pragma once

#include "wizard/dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace bv::test {

class ScriptedDialogs : public Dialogs {
public:
    static inline const QString kCancel{};

    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    std::deque<bool> confirmAnswers;
    // Runs while a question is open, before it is answered (the window waits meanwhile).
    std::function<void(const QString&)> whileAsking;

    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    QStringList folderCaptions;
    QStringList folderStarts; // where each folder browser started
    QStringList confirmTexts;
    QStringList informTexts;
    QStringList errorTexts;
    QStringList unexpected;

    std::optional<QString> OpenFile(QWidget*, const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return Next(openAnswers, "open dialog");
    }
    std::optional<QString> SaveFile(QWidget*, const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return Next(saveAnswers, "save dialog");
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString& caption, const QString& folder) override {
        folderCaptions << caption;
        folderStarts << folder;
        return Next(folderAnswers, "folder browser");
    }
    bool Confirm(QWidget*, const QString& text) override {
        confirmTexts << text;
        if (whileAsking)
            whileAsking(text);
        if (confirmAnswers.empty()) {
            unexpected << QStringLiteral("question: ") + text;
            return false;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    void Inform(QWidget*, const QString& text) override { informTexts << text; }
    void ShowError(QWidget*, const QString& text) override { errorTexts << text; }

private:
    std::optional<QString> Next(std::deque<QString>& answers, const char* what) {
        if (answers.empty()) {
            unexpected << QString::fromLatin1(what);
            return std::nullopt;
        }
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
};

} // namespace bv::test
