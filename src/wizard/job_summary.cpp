#include "wizard/job_summary.h"

#include "wizard/advanced_settings_page.h"
#include "wizard/load_source1_page.h"
#include "wizard/load_sources2_page.h"
#include "wizard/saving_files_page.h"
#include "wizard/template_group.h"
#include "wizard/ui_text.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>

namespace bv {

namespace {

void AddTemplateBlock(QStringList& lines, const TemplateGroup& group, const char* label) {
    if (!group.IsSwitchedOn() || group.Editor()->toPlainText().isEmpty())
        return;
    lines << Tr(label) + QStringLiteral(":");
    lines << group.Lines();
    lines << QString();
}

} // namespace

QStringList BuildJobSummary(const LoadSource1Page& source1, const LoadSources2Page& sources2,
                            const AdvancedSettingsPage& settings, const SavingFilesPage& saving) {
    const QString sep = QStringLiteral(": ");
    const QWidget* page = &settings;
    QStringList lines;
    lines << Tr("Source File 1") + sep;
    lines << source1.sourcePath->text();
    lines << Tr("Source Files 2") + sep;
    lines << sources2.SourceFiles();
    // Only a job that pairs frames other than by number says how.
    const std::vector<int> offsets = sources2.Offsets();
    const bool align = CheckedAndEnabled(page, settings.align);
    if (align || std::any_of(offsets.begin(), offsets.end(), [](int n) { return n != 0; })) {
        QStringList given;
        for (int n : offsets)
            given << QString::number(n);
        const QString list = given.join(QStringLiteral(", "));
        lines << Tr("Frame Offsets") + sep + (align ? Tr("automatic") + QStringLiteral(" (") + list + QStringLiteral(")") : list);
    }
    lines << QString();
    AddTemplateBlock(lines, *source1.templateGroup, "AviSynth Template 1");
    AddTemplateBlock(lines, *sources2.templateGroup, "AviSynth Template 2");
    lines << Tr("Start Frame") + sep + settings.startFrame->text();
    lines << Tr("End Frame") + sep + settings.endFrame->text();
    lines << (CheckedAndEnabled(page, settings.pc601) ? settings.pc601->text() : settings.rec601->text());
    if (CheckedAndEnabled(page, settings.metricPsnr))
        lines << Tr("PSNR, MSE and Euclidean Distance");
    if (CheckedAndEnabled(page, settings.metricSsim))
        lines << Tr("SSIM");
    // The shutdown option locks "Standard Logfile" while forcing it on: it counts all the same.
    if (settings.standardLog->isChecked())
        lines << settings.standardLog->text();
    if (CheckedAndEnabled(page, settings.extendedLog))
        lines << settings.extendedLog->text();
    if (CheckedAndEnabled(page, settings.jsonLog))
        lines << settings.jsonLog->text();
    if (CheckedAndEnabled(page, settings.preview))
        lines << settings.preview->text();
    if (CheckedAndEnabled(page, settings.lowPriority))
        lines << settings.lowPriority->text();
    const bool anyLog = CheckedAndEnabled(page, settings.extendedLog) || settings.standardLog->isChecked() ||
                        CheckedAndEnabled(page, settings.jsonLog);
    if (anyLog && !saving.storagePath->text().isEmpty())
        lines << Tr("Storage Path") + sep + saving.storagePath->text();
    if (CheckedAndEnabled(page, settings.shutdown))
        lines << settings.shutdown->text();
    return lines;
}

} // namespace bv
