// Page 0, "Welcome": what the program does, and "About".
#pragma once

#include "wizard/wizard_page.h"

namespace bv {

class WelcomePage : public WizardPage {
    Q_OBJECT
public:
    explicit WelcomePage(QWidget* parent = nullptr);

    QPlainTextEdit* welcomeText; // Memo2
    QPushButton* aboutButton;    // Button23 "About"

    void FillTexts();
};

} // namespace bv
