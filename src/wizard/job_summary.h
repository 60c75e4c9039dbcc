// The text of the "Job Summary" box, built from the controls of the earlier pages.
#pragma once

#include <QStringList>

namespace bv {

class AdvancedSettingsPage;
class LoadSource1Page;
class LoadSources2Page;
class SavingFilesPage;

QStringList BuildJobSummary(const LoadSource1Page& source1, const LoadSources2Page& sources2,
                            const AdvancedSettingsPage& settings, const SavingFilesPage& saving);

} // namespace bv
