// The settings of a job, read from the pages when "Analyze" is pressed.
#pragma once

#include "analysis/analysis_settings.h"

namespace bv {

class AdvancedSettingsPage;
class LoadSource1Page;
class LoadSources2Page;
class SavingFilesPage;

// Throws std::invalid_argument when a frame-range field holds no decimal integer.
AnalysisSettings ReadAnalysisSettings(const LoadSource1Page& source1, const LoadSources2Page& sources2,
                                      const AdvancedSettingsPage& settings, const SavingFilesPage& saving);

} // namespace bv
