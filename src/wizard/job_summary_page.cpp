#include "wizard/job_summary_page.h"

#include "i18n/translate.h"
#include "wizard/ui_text.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace bv {

JobSummaryPage::JobSummaryPage(QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet6"), Caption("Job Summary"), QStringLiteral("Button15"),
                 QStringLiteral("Button9"), QStringLiteral("Button14"), parent, Caption("Analyze")) {
    introText = MakeIntroText(this, QStringLiteral("Memo5"), QRect(96, 56, 577, 49));
    settingsLabel = new QLabel(Caption("Settings:"), this);
    settingsLabel->setGeometry(96, 120, 84, 14);
    summary = MakeReadOnlyBox(this, QStringLiteral("Memo6"), QRect(184, 120, 489, 321));
}

void JobSummaryPage::FillTexts() {
    introText->setPlainText(
        QStringList{Tr("Please verify that your Source File 1, Source Files 2 and Settings are correct."),
                    Tr("Click Analyze to start analyzation or click Previous to go back and change your "
                       "configuration.")}
            .join(QLatin1Char('\n')));
}

void JobSummaryPage::ShowSummary(const QStringList& lines) {
    summary->setPlainText(lines.join(QLatin1Char('\n')));
    ScrollToStart(summary);
    if (isEnabled())
        summary->setFocus();
}

} // namespace bv
