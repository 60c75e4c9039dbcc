#include "wizard/load_source1_page.h"

#include "i18n/translate.h"
#include "wizard/ui_text.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace bv {

LoadSource1Page::LoadSource1Page(Dialogs& dialogs, EnvironmentProvider environment, QWidget* parent)
    : SourcePage(QStringLiteral("TabSheet2"), Caption("Load Source 1"), QStringLiteral("Button5"),
                 QStringLiteral("Button6"), QStringLiteral("Button3"), dialogs, std::move(environment),
                 parent) {
    introText = MakeIntroText(this, QStringLiteral("Memo1"), QRect(96, 56, 577, 33));

    sourceGroup = new QGroupBox(Caption("Source File 1"), this);
    sourceGroup->setObjectName(QStringLiteral("GroupBox1"));
    sourceGroup->setGeometry(96, 96, 577, 201);
    AddTemplateGroup(sourceGroup,
                     {QStringLiteral("CheckBox6"), QStringLiteral("Memo3"), QStringLiteral("Button35"),
                      QStringLiteral("Button34"), QStringLiteral("Button36")});
    sourcePath = new QLineEdit(sourceGroup);
    sourcePath->setObjectName(QStringLiteral("Edit1"));
    sourcePath->setGeometry(16, 164, 441, 21);
    sourcePath->setReadOnly(true);
    loadButton = new QPushButton(Caption("Load..."), sourceGroup);
    loadButton->setObjectName(QStringLiteral("Button28"));
    loadButton->setGeometry(472, 160, 75, 25);
    loadButton->setAutoDefault(false);

    AddInfoAndPlayer(QStringLiteral("Memo10"), QStringLiteral("ActiveMovie1"));

    NextButton()->setEnabled(false); // until a source has been loaded
    connect(loadButton, &QPushButton::clicked, this, &LoadSource1Page::LoadSource);
}

void LoadSource1Page::FillTexts() {
    introText->setPlainText(Tr("Here can you enter your original video file."));
}

void LoadSource1Page::LoadSource() {
    const auto chosen = ChooseSource();
    if (!chosen)
        return;
    // The path and its kind stay even when AviSynth cannot open the file.
    sourcePath->setText(*chosen);
    kind_ = SourceKindOf(ToStd(*chosen));
    if (ShowSource(*chosen, kGeneratedScript1))
        NextButton()->setEnabled(true);
}

} // namespace bv
