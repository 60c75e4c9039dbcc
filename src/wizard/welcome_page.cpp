#include "wizard/welcome_page.h"

#include "i18n/translate.h"
#include "wizard/ui_text.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace bv {

WelcomePage::WelcomePage(QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet1"), Caption("Welcome"), QStringLiteral("Button24"),
                 QStringLiteral("Button1"), QStringLiteral("Button4"), parent) {
    welcomeText = MakeIntroText(this, QStringLiteral("Memo2"), QRect(96, 56, 577, 385));
    aboutButton = AddButton(QStringLiteral("Button23"), Caption("About"), 96, 460);
    PreviousButton()->setEnabled(false); // nothing before the first page
}

void WelcomePage::FillTexts() {
    welcomeText->setPlainText(
        QStringList{Tr("Welcome to Brevanta. You can analyze and compare the encoding quality from a lot of "
                       "video encoders."),
                    QString(),
                    Tr("This is done by a frame by frame compare between the original video and the encoded "
                       "video.")}
            .join(QLatin1Char('\n')));
}

} // namespace bv
