// The settings of one analysis job, as the window's controls or the command line give them.
#pragma once

#include "analysis/template_script.h"

#include <string>
#include <vector>

namespace bv {

inline constexpr int kDefaultAlignRange = 25;
inline constexpr int kMaxAlignRange = 1000;

// The PascalCase field names are the ones the documented interface gives the settings.
struct AnalysisSettings {
    std::string SourceFile1;
    SourceKind Source1Kind = SourceKind::None;
    std::vector<std::string> Template1;
    bool LogTemplate1 = false; // quote template 1 in the logs and results
    std::vector<std::string> SourceFiles2;
    std::vector<std::string> Template2;
    bool LogTemplate2 = false;
    // What script errors call the templates: the files they came from, or empty for the
    // caption "AviSynth Template 1" / "AviSynth Template 2".
    std::string Template1Name;
    std::string Template2Name;
    int StartFrame = 0;       // negative values become 0
    int EndFrame = -1;        // negative values become -1: up to the last frame
    bool MetricPsnr = true;   // "PSNR, MSE and Euclidean Distance"
    bool MetricSsim = true;   // "SSIM"
    bool ShowPreview = false; // "Preview"
    bool LowPriority = false; // "Low Process Priority"
    bool ShutdownWhenFinished = false;
    bool ExtendedLog = false; // per-frame CSV logs, and the graph pages at the end
    bool StandardLog = false; // overview and results files at the end
    bool JsonLog = false;     // the whole job as bv_<stamp>_results.json at the end
    int ItuMode = 1;          // 1 PC.601, 2 REC.601 (preview conversion only)
    std::string ItuCaption;   // the chosen recommendation's caption as displayed
    std::string StoragePath;  // empty: the folder of SourceFile1
    // Per Source File 2, in list order: its frame n + offset is compared with frame n of
    // Source File 1. Missing entries count as 0. With AlignAutomatically the offset found
    // within -AlignRange..+AlignRange replaces it; the given one is the fallback.
    std::vector<int> Offsets2;
    bool AlignAutomatically = false; // "Align Source Files 2 automatically"
    int AlignRange = kDefaultAlignRange;

    int OffsetOf(size_t index) const { return index < Offsets2.size() ? Offsets2[index] : 0; }
};

// The settings with the offsets a run used (found or given) in place of the given ones, so that
// frames read again after it are paired as the run paired them.
inline AnalysisSettings WithOffsetsUsed(AnalysisSettings settings, const std::vector<int>& offsetsUsed) {
    for (size_t i = 0; i < offsetsUsed.size(); ++i) {
        if (settings.Offsets2.size() <= i)
            settings.Offsets2.resize(i + 1, 0);
        settings.Offsets2[i] = offsetsUsed[i];
    }
    settings.AlignAutomatically = false;
    return settings;
}

// Whether the job pairs frames other than by equal numbers, or may: then its logs and reports
// name each file's offset. A job without offsets writes exactly what it always wrote.
bool UsesOffsets(const AnalysisSettings& settings);

// Parses a frame-range field as a decimal integer. Throws std::invalid_argument with the
// text "'<text>' is not a valid integer value" when it is not one.
int ParseFrameNumberText(const std::string& text);

// Applies the negative-value rules: StartFrame < 0 becomes 0, EndFrame < 0 becomes -1.
void NormaliseFrameRange(AnalysisSettings& settings);

// The message that refuses a start ("Check your frames to be analyzed settings.",
// "Check your metric settings.", translated, or the refusal of a source's file name by its
// template), or "" when the settings may run.
std::string ValidateSettings(const AnalysisSettings& settings);

// The caption of the colour-standard choice (1 PC.601, anything else REC.601), translated.
std::string ItuCaptionFor(int ituMode);

} // namespace bv
