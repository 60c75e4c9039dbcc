#include "i18n/qt/translation_start.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "i18n/qt/catalog_translator.h"
#include "i18n/translate.h"

namespace bv {

void StartTranslation(const std::string& programFolder, QWidget* parent) {
    if (const auto problem = InitTranslation(programFolder)) {
        const auto icon =
            problem->kind == TranslationProblem::Kind::NotUtf8 ? QMessageBox::NoIcon : QMessageBox::Critical;
        QMessageBox box(icon, QString::fromStdString(problem->title), QString::fromStdString(problem->text),
                        QMessageBox::Ok, parent);
        box.exec();
    }
    const std::string language = ActiveLanguage();
    if (language.empty())
        return;
    // Qt searches the translator installed last first: the catalog wins over Qt's own files.
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QString::fromStdString("qtbase_" + language),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    else
        delete qtTexts;
    QCoreApplication::installTranslator(new CatalogTranslator(qApp));
}

} // namespace bv
