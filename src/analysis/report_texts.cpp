#include "analysis/report_texts.h"

#include "analysis/number_format.h"
#include "analysis/template_script.h"
#include "i18n/translate.h"
#include "metrics/frame_metrics.h"

namespace bv {

namespace {

// A text that reaches a line of the program's files stays on that line: a line break (an
// AviSynth error's second line, say) becomes a space, any other control character but the tab
// a "?". Ordinary texts keep their bytes.
std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            line += ' ';
        } else {
            line += (c < 0x20 && c != '\t') || c == 0x7F ? '?' : static_cast<char>(c);
        }
    }
    return line;
}

std::string Labelled(const char* label, const std::string& value) {
    return Translate(label) + " " + value;
}

void AppendTemplate(std::vector<std::string>& lines, const char* label,
                    const std::vector<std::string>& tmpl) {
    lines.push_back(Translate(label) + ":");
    for (const std::string& line : tmpl)
        lines.push_back(OneLine(line));
    lines.emplace_back();
}

void AppendTemplates(std::vector<std::string>& lines, const AnalysisSettings& s) {
    if (s.LogTemplate1)
        AppendTemplate(lines, "AviSynth Template 1", s.Template1);
    if (s.LogTemplate2)
        AppendTemplate(lines, "AviSynth Template 2", s.Template2);
}

void AppendMetricNames(std::vector<std::string>& lines, const AnalysisSettings& s) {
    if (s.MetricPsnr)
        lines.push_back(Translate("PSNR, MSE and Euclidean Distance"));
    if (s.MetricSsim)
        lines.push_back(Translate("SSIM"));
}

// The templates that read another video than the one chosen, for the file of this block.
std::vector<std::string> TemplateWarnings(const AnalysisSettings& s, const std::string& source2) {
    std::vector<std::string> lines;
    if (s.Source1Kind == SourceKind::TemplateScript && TemplateIgnoresSource(s.Template1))
        lines.push_back(MissingFileNameWarning(1));
    if (SourceKindOf(source2) == SourceKind::TemplateScript && TemplateIgnoresSource(s.Template2))
        lines.push_back(MissingFileNameWarning(2));
    return lines;
}

bool ShowsFigures(const FileBlock& b) {
    return b.note.empty() && b.totals != nullptr && b.totals->AnalysedCount > 0;
}

std::string NoteOf(const FileBlock& b) {
    return b.note.empty() ? Translate("No frame analyzed.") : OneLine(b.note);
}

// A CSV field with its leading separator. (Built by append: GCC 12 warns falsely on ";" + string.)
std::string Field(const std::string& value) {
    std::string field = ";";
    field += value;
    return field;
}

std::string QWithFrame(double q, int frame) {
    return FormatNumber(q) + " (" + std::to_string(frame) + ")";
}

// A chroma figure, or the bare label for a grey clip, which has none.
std::string ChromaLine(const char* label, bool chroma, double value) {
    return chroma ? Labelled(label, FormatNumber(value)) : Translate(label);
}

void AppendFormatLine(std::vector<std::string>& lines, const avs::PixelFormat* format) {
    std::string line = MeasuredFormatLine(format);
    if (!line.empty())
        lines.push_back(std::move(line));
}

} // namespace

std::string MeasuredFormatLine(const avs::PixelFormat* format) {
    if (format == nullptr || format->family == avs::FormatFamily::PackedYuv422)
        return "";
    std::string name(avs::ColorSpaceName(format->pixelType));
    if (name.empty())
        name = format->name;
    return Labelled(Caption("Color Space:"),
                    name + ", " + std::to_string(format->bitDepth) + " " + Translate("bits"));
}


std::string FrameOffsetValue(const FramePairing& p) {
    std::string value = std::to_string(p.offset);
    if (p.found)
        value += " (" + Translate("found automatically") + ")";
    else if (p.undecidable)
        value += " (" + Translate("alignment undecidable") + ")";
    return value;
}

std::string FrameOffsetLine(const FramePairing& p) {
    return Labelled("Frame Offset:", FrameOffsetValue(p));
}

std::string AlignmentUndecidableText(int fallbackOffset) {
    return Labelled("The frame offset could not be found automatically; the given offset is used:",
                    std::to_string(fallbackOffset));
}

namespace {
int FirstFrameOf(const AnalysisSettings& s, const FramePairing& p) {
    return p.firstFrame < 0 ? s.StartFrame : p.firstFrame;
}

void AppendPairingLines(std::vector<std::string>& lines, const FramePairing& p) {
    if (!p.shown)
        return;
    lines.push_back(FrameOffsetLine(p));
    lines.push_back(Labelled("Frames without a partner:", std::to_string(p.unpaired)));
}
} // namespace

std::vector<std::string> CsvHeaderLines(const AnalysisSettings& s, const std::string& source2,
                                        const avs::PixelFormat* format, const FramePairing& pairing) {
    std::vector<std::string> lines{
        kProgramName,
        Translate("Version") + " " + kVersionText,
        "",
        Translate("Source File 1") + ": " + OneLine(s.SourceFile1),
        Translate("Source File 2") + ": " + OneLine(source2),
    };
    if (pairing.shown)
        lines.push_back(FrameOffsetLine(pairing));
    lines.emplace_back();
    AppendTemplates(lines, s);
    lines.push_back(s.ItuCaption);
    AppendFormatLine(lines, format);
    AppendMetricNames(lines, s);
    lines.emplace_back();
    std::string heads = Translate("Frame");
    const auto column = [&heads](const char* label) { heads += Field(Translate(label)); };
    if (s.MetricPsnr) {
        column("PSNR in Y");
        column("ED in YUV");
    }
    if (s.MetricSsim) {
        column("Q in Y");
        column("Weighting");
        column("SSIM in Y");
        column("Lowest Local SSIM in Y");
        column("(x1, y1, x2, y2)");
    }
    if (pairing.offset != 0)
        column("Encoded Frame");
    lines.push_back(heads);
    return lines;
}

std::vector<std::string> CsvFrameFields(const AnalysisSettings& s, int frame, const PsnrFrameResult* psnr,
                                        const SsimFrameResult* ssim, const avs::PixelFormat* format,
                                        const FramePairing& pairing) {
    std::vector<std::string> fields{FormatFrameNumber(frame)};
    if (s.MetricPsnr && psnr != nullptr) {
        fields.push_back(
            Field(psnr->mseY > 0 ? FormatNumber(PsnrFromMse(psnr->mseY, PsnrPeak(format))) : ""));
        fields.push_back(Field(HasChroma(format) ? FormatNumber(psnr->edYuv) : ""));
    }
    if (s.MetricSsim && ssim != nullptr) {
        fields.push_back(Field(FormatNumber(ssim->qY)));
        // A frame too small for one window has no mean weight: the field stays empty.
        fields.push_back(
            Field(ssim->windowCount > 0 ? FormatNumber(ssim->weightSum / ssim->windowCount) : ""));
        fields.push_back(Field(FormatNumber(ssim->ssimY)));
        fields.push_back(Field(FormatNumber(ssim->lowestSsim)));
        // The window's corners are whole numbers, written unrounded.
        const std::string& sep = UserDecimalSeparator();
        std::string window = ";(";
        window += FormatShortest(ssim->lowestX, sep) + ", " + FormatShortest(ssim->lowestY, sep) + ", " +
                  FormatShortest(ssim->lowestX + 7, sep) + ", " + FormatShortest(ssim->lowestY + 7, sep) +
                  ")";
        fields.push_back(window);
    }
    if (pairing.offset != 0)
        fields.push_back(Field(FormatFrameNumber(frame + pairing.offset)));
    return fields;
}

std::string PsnrYLine(const FileTotals& t) {
    return HasPsnrY(t) ? Labelled("PSNR in Y:", FormatNumber(PsnrY(t)) + " dB") : Translate("PSNR in Y:");
}

std::vector<std::string> PsnrBlockLines(const FileTotals& t) {
    const bool chroma = HasChroma(t.Format);
    return {
        "",
        PsnrYLine(t),
        Labelled("MSE in Y:", FormatNumber(AverageMse(t, 0))),
        ChromaLine("MSE in U:", chroma, AverageMse(t, 1)),
        ChromaLine("MSE in V:", chroma, AverageMse(t, 2)),
        Labelled("Euclidean Distance in Y:", FormatNumber(AverageEd(t, 0))),
        ChromaLine("Euclidean Distance in U:", chroma, AverageEd(t, 1)),
        ChromaLine("Euclidean Distance in V:", chroma, AverageEd(t, 2)),
        ChromaLine("Euclidean Distance in YUV:", chroma, AverageEdYuv(t)),
    };
}

std::vector<std::string> SsimBlockLines(const FileTotals& t) {
    return {
        "",
        Labelled("Q in Y:", FormatNumber(QY(t))),
        Labelled("SSIM in Y:", FormatNumber(SsimY(t))),
        "",
        Labelled("Lowest Q in Y:", QWithFrame(t.LowestQ, t.LowestQFrame)),
        Labelled("Highest Q in Y:", QWithFrame(t.HighestQ, t.HighestQFrame)),
    };
}

std::vector<std::string> CsvFooterLines(const AnalysisSettings& s, const FileTotals& t) {
    std::vector<std::string> lines{"", Labelled("Start:", t.StartTime), Labelled("End:", t.EndTime)};
    if (t.AnalysedCount == 0) {
        // Averages of no frames do not exist; say so rather than print zeros.
        lines.emplace_back();
        lines.push_back(Translate("No frame analyzed."));
        return lines;
    }
    if (s.MetricPsnr) {
        const auto block = PsnrBlockLines(t);
        lines.insert(lines.end(), block.begin(), block.end());
    }
    if (s.MetricSsim) {
        const auto block = SsimBlockLines(t);
        lines.insert(lines.end(), block.begin(), block.end());
    }
    return lines;
}

std::string MissingFileNameWarning(int templateNumber) {
    return templateNumber == 1 ? Translate("Warning: AviSynth Template 1 has no $FileName: the figures are "
                                           "those of the video the template names, not of Source File 1.")
                               : Translate("Warning: AviSynth Template 2 has no $FileName: the figures are "
                                           "those of the video the template names, not of Source File 2.");
}

void AppendStoppedRunLines(std::vector<std::string>& text, int lastFrame, const std::vector<std::string>& notAnalysed) {
    text.emplace_back();
    text.push_back(lastFrame < 0 ? Translate("The run was stopped before its first frame.")
                                 : Labelled(Caption("The run was stopped after frame:"), std::to_string(lastFrame)));
    if (notAnalysed.empty())
        return;
    text.push_back(Translate("Not analyzed:"));
    for (const std::string& path : notAnalysed)
        text.push_back(OneLine(path));
}

void AppendOverviewBlock(std::vector<std::string>& overview, const AnalysisSettings& s, const FileBlock& b,
                         const FramePairing& pairing) {
    overview.push_back(OneLine(b.source2));
    for (const std::string& warning : TemplateWarnings(s, b.source2))
        overview.push_back(warning);
    if (b.totals != nullptr)
        AppendFormatLine(overview, b.totals->Format);
    AppendPairingLines(overview, pairing);
    const int first = FirstFrameOf(s, pairing);
    if (ShowsFigures(b)) {
        const FileTotals& t = *b.totals;
        if (b.stopping) {
            overview.push_back(Labelled("Start Frame:", std::to_string(first)));
            overview.push_back(Labelled("End Frame:", std::to_string(first + t.AnalysedCount - 1)));
        }
        if (s.MetricPsnr) {
            overview.push_back(PsnrYLine(t));
            overview.push_back(
                ChromaLine("Euclidean Distance in YUV:", HasChroma(t.Format), AverageEdYuv(t)));
        }
        if (s.MetricSsim)
            overview.push_back(Labelled("Q in Y:", FormatNumber(QY(t))));
    } else {
        overview.push_back(NoteOf(b));
    }
    if (!b.last && !b.stopping)
        overview.emplace_back();
}

void AppendResultsBlock(std::vector<std::string>& results, const AnalysisSettings& s, const FileBlock& b,
                        const FramePairing& pairing) {
    results.push_back(Labelled("Source File 1:", OneLine(s.SourceFile1)));
    results.push_back(Labelled("Source File 2:", OneLine(b.source2)));
    results.emplace_back();
    AppendTemplates(results, s);
    for (const std::string& warning : TemplateWarnings(s, b.source2))
        results.push_back(warning);
    AppendPairingLines(results, pairing);
    const int first = FirstFrameOf(s, pairing);
    results.push_back(Labelled("Start Frame:", std::to_string(first)));
    const bool figures = ShowsFigures(b);
    if (figures)
        results.push_back(Labelled("End Frame:", std::to_string(first + b.totals->AnalysedCount - 1)));
    else
        results.push_back(NoteOf(b));
    results.push_back(s.ItuCaption);
    if (b.totals != nullptr)
        AppendFormatLine(results, b.totals->Format);
    AppendMetricNames(results, s);
    if (b.totals != nullptr && !b.totals->StartTime.empty()) {
        results.emplace_back();
        results.push_back(Labelled("Start:", b.totals->StartTime));
        results.push_back(Labelled("End:", b.totals->EndTime));
    }
    if (figures) {
        if (s.MetricPsnr) {
            const auto block = PsnrBlockLines(*b.totals);
            results.insert(results.end(), block.begin(), block.end());
        }
        if (s.MetricSsim) {
            const auto block = SsimBlockLines(*b.totals);
            results.insert(results.end(), block.begin(), block.end());
        }
    }
    if (!b.last && !b.stopping) {
        results.emplace_back();
        results.push_back(kResultsSeparator);
        results.emplace_back();
    }
}

} // namespace bv
