#include "analysis/analysis_settings.h"

#include "i18n/translate.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>

namespace bv {

int ParseFrameNumberText(const std::string& text) {
    const auto invalid = [&text] {
        return std::invalid_argument("'" + text + "' is not a valid integer value");
    };
    size_t i = 0, end = text.size();
    // Surrounding blanks are forgiven, as in a typed field; nothing else is.
    while (i < end && text[i] == ' ')
        ++i;
    while (end > i && text[end - 1] == ' ')
        --end;
    bool negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == end)
        throw invalid();
    long long value = 0;
    for (; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            throw invalid();
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            throw invalid();
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        throw invalid();
    return static_cast<int>(value);
}

void NormaliseFrameRange(AnalysisSettings& settings) {
    if (settings.StartFrame < 0)
        settings.StartFrame = 0;
    if (settings.EndFrame < 0)
        settings.EndFrame = -1;
}

std::string ValidateSettings(const AnalysisSettings& settings) {
    if (settings.StartFrame > settings.EndFrame && settings.EndFrame != -1)
        return Translate("Check your frames to be analyzed settings.");
    if (!settings.MetricPsnr && !settings.MetricSsim)
        return Translate("Check your metric settings.");
    // Before any script is written: a name that cannot be put into its template stops the run.
    if (std::string refusal = FileNameRefusal(settings.Template1, settings.SourceFile1); !refusal.empty())
        return refusal;
    for (const std::string& source : settings.SourceFiles2)
        if (std::string refusal = FileNameRefusal(settings.Template2, source); !refusal.empty())
            return refusal;
    return "";
}

bool UsesOffsets(const AnalysisSettings& settings) {
    return settings.AlignAutomatically ||
           std::any_of(settings.Offsets2.begin(), settings.Offsets2.end(), [](int offset) { return offset != 0; });
}

std::string ItuCaptionFor(int ituMode) {
    return ituMode == 2 ? Translate("REC.601 (RGB [0..255] -> YUV [16..235])")
                        : Translate("PC.601 (RGB [0..255] -> YUV [0..255])");
}

} // namespace bv
