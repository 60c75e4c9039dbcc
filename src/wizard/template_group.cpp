#include "wizard/template_group.h"

#include "analysis/text_file.h"
#include "i18n/translate.h"
#include "wizard/dialogs.h"
#include "wizard/file_filters.h"
#include "wizard/ui_text.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>

namespace bv {

TemplateGroup::TemplateGroup(QWidget* group, const TemplateGroupNames& names, Dialogs& dialogs)
    : QObject(group), group_(group), dialogs_(dialogs) {
    switch_ = new QCheckBox(Caption("AviSynth Template"), group);
    switch_->setObjectName(names.switchBox);
    switch_->setGeometry(16, 24, 441, 17);

    editor_ = new QPlainTextEdit(group);
    editor_->setObjectName(names.editor);
    editor_->setGeometry(16, 48, 441, 97);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    editor_->setFont(fixed);

    auto button = [&](const QString& name, const char* caption, int top) {
        auto* b = new QPushButton(QString::fromUtf8(caption), group);
        b->setObjectName(name);
        b->setGeometry(472, top, 75, 25);
        b->setAutoDefault(false);
        return b;
    };
    load_ = button(names.load, Caption("Load..."), 48);
    save_ = button(names.save, Caption("Save..."), 80);
    delete_ = button(names.remove, Caption("Delete"), 112);

    ApplySwitch();
    connect(switch_, &QCheckBox::toggled, this, &TemplateGroup::ApplySwitch);
    connect(load_, &QPushButton::clicked, this, &TemplateGroup::LoadTemplate);
    connect(save_, &QPushButton::clicked, this, &TemplateGroup::SaveTemplate);
    connect(delete_, &QPushButton::clicked, this, &TemplateGroup::DeleteTemplate);
}

bool TemplateGroup::IsSwitchedOn() const {
    return switch_->isChecked();
}

QStringList TemplateGroup::Lines() const {
    return TextLines(editor_->toPlainText());
}

void TemplateGroup::ApplySwitch() {
    const bool on = switch_->isChecked();
    editor_->setEnabled(on);
    // Locked, the editor wears the button face; unlocked, the colour of an edit.
    QPalette palette = editor_->palette();
    const QBrush background = group_->palette().brush(on ? QPalette::Base : QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, background);
    editor_->setPalette(palette);
    load_->setEnabled(on);
    save_->setEnabled(on);
    delete_->setEnabled(on);
}

void TemplateGroup::LoadTemplate() {
    FileDialogRequest request;
    request.filters = {AviSynthFilesFilter()};
    const auto chosen = dialogs_.OpenFileIn(FolderKind::Templates, group_->window(), request);
    if (!chosen)
        return;
    try {
        const QStringList lines = ToQStringList(ReadTextLines(ToStd(*chosen)));
        editor_->setPlainText(lines.join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        dialogs_.ShowError(group_->window(), QString::fromStdString(e.what()));
    }
}

void TemplateGroup::SaveTemplate() {
    if (editor_->toPlainText().isEmpty())
        return;
    FileDialogRequest request;
    request.filters = {AviSynthFilesFilter()};
    request.defaultSuffix = QStringLiteral("avs");
    const auto chosen = dialogs_.SaveFileIn(FolderKind::Templates, group_->window(), request);
    if (!chosen)
        return;
    const QString path = WithDefaultSuffix(*chosen, QStringLiteral("avs"));
    if (QFileInfo::exists(path) &&
        !dialogs_.Confirm(group_->window(), Tr("File already exists. Do you want to overwrite?")))
        return;
    try {
        WriteTextLines(ToStd(path), ToStdLines(Lines()));
    } catch (const std::exception& e) {
        dialogs_.ShowError(group_->window(), QString::fromStdString(e.what()));
    }
}

void TemplateGroup::DeleteTemplate() {
    editor_->clear();
}

} // namespace bv
