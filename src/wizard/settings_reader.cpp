#include "wizard/settings_reader.h"

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
#include <QSpinBox>

namespace bv {

namespace {
// A template is quoted in the logs when it is unlocked and holds text.
bool LogTemplate(const QWidget* page, const TemplateGroup& group) {
    return CheckedAndEnabled(page, group.Switch()) && !group.Editor()->toPlainText().isEmpty();
}
} // namespace

AnalysisSettings ReadAnalysisSettings(const LoadSource1Page& source1, const LoadSources2Page& sources2,
                                      const AdvancedSettingsPage& settings, const SavingFilesPage& saving) {
    const QWidget* page = &settings;
    AnalysisSettings s;
    // The frame range first: a field that is no number ends the action before anything else.
    s.StartFrame = ParseFrameNumberText(ToStd(settings.startFrame->text()));
    s.EndFrame = ParseFrameNumberText(ToStd(settings.endFrame->text()));
    NormaliseFrameRange(s);

    s.SourceFile1 = ToStd(source1.sourcePath->text());
    s.Source1Kind = source1.Source1Kind();
    s.Template1 = ToStdLines(source1.templateGroup->Lines());
    s.LogTemplate1 = LogTemplate(&source1, *source1.templateGroup);
    s.SourceFiles2 = ToStdLines(sources2.SourceFiles());
    s.Offsets2 = sources2.Offsets();
    s.AlignAutomatically = CheckedAndEnabled(&settings, settings.align);
    s.AlignRange = settings.alignRange->value();
    s.Template2 = ToStdLines(sources2.templateGroup->Lines());
    s.LogTemplate2 = LogTemplate(&sources2, *sources2.templateGroup);

    s.MetricPsnr = CheckedAndEnabled(page, settings.metricPsnr);
    s.MetricSsim = CheckedAndEnabled(page, settings.metricSsim);
    s.ShowPreview = CheckedAndEnabled(page, settings.preview);
    s.LowPriority = CheckedAndEnabled(page, settings.lowPriority);
    s.ShutdownWhenFinished = CheckedAndEnabled(page, settings.shutdown);
    s.ExtendedLog = CheckedAndEnabled(page, settings.extendedLog);
    s.JsonLog = CheckedAndEnabled(page, settings.jsonLog);
    // Locked on by the shutdown option, the box still counts.
    s.StandardLog = settings.standardLog->isChecked();
    if (CheckedAndEnabled(page, settings.pc601)) {
        s.ItuMode = 1;
        s.ItuCaption = ToStd(settings.pc601->text());
    } else {
        s.ItuMode = CheckedAndEnabled(page, settings.rec601) ? 2 : 1;
        s.ItuCaption = ToStd(settings.rec601->text());
    }
    s.StoragePath = ToStd(saving.storagePath->text());
    return s;
}

} // namespace bv
