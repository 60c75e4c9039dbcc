#include "wizard/about_text.h"

#include "frame_source/avs_library.h"
#include "wizard/ui_text.h"

#include <QStringList>

namespace bv {

QString AboutText(const AvsLibrary* library) {
    const QString from = QLatin1Char(' ') + Tr("from") + QLatin1Char(' ');
    // The AviSynth interface in use: whichever library the frame source loaded.
    QString avisynth = QStringLiteral("AviSynth C interface: ");
    if (library == nullptr)
        avisynth += QStringLiteral("no library loaded") + from + QStringLiteral("the AviSynth developers");
    else
        avisynth += QString::fromStdString(library->Description()) + from +
                    (library->isBuiltin() ? QStringLiteral("the Brevanta developers")
                                          : QStringLiteral("the AviSynth+ developers"));
    const QStringList lines{
        QStringLiteral("Brevanta"),
        Tr("Version") + QLatin1Char(' ') + QString::fromLatin1(kVersionText),
        QString(),
        QStringLiteral("Copyright (C) the Brevanta developers."),
        QStringLiteral("This program comes with no warranty, to the extent permitted by law."),
        QString(),
        avisynth,
        QStringLiteral("Translations: GNU gettext message catalogs") + from +
            QStringLiteral("the GNU Project"),
        Tr("SSIM metric") + from + QStringLiteral("Zhou Wang, Ligang Lu ") + Tr("and") +
            QStringLiteral(" Alan C. Bovik,"),
        QStringLiteral("\"Video Quality Assessment Based on Structural Distortion Measurement\"."),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace bv
