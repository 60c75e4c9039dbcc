#include "analysis/number_format.h"

#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>

namespace bv {

const std::string& UserDecimalSeparator() {
    static const std::string separator = [] {
        std::string sep = ".";
        // A private locale object: the global C locale stays "C" for everything else.
        if (locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0)); loc != nullptr) {
            if (const char* radix = nl_langinfo_l(RADIXCHAR, loc); radix != nullptr && *radix != '\0')
                sep = radix;
            freelocale(loc);
        }
        return sep;
    }();
    return separator;
}

std::string FormatShortest(double value, std::string_view decimalSeparator) {
    if (value == 0)
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    if (text.find_first_of("eE") != std::string::npos) {
        // Outside %g's fixed range: write it out in full, then drop trailing zeros.
        std::snprintf(buffer, sizeof buffer, "%.15f", value);
        text = buffer;
        if (text.find('.') != std::string::npos) {
            while (!text.empty() && text.back() == '0')
                text.pop_back();
            if (!text.empty() && text.back() == '.')
                text.pop_back();
        }
    }
    // snprintf runs in the "C" locale here, so the separator it wrote is always '.'.
    if (const auto dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

std::string FormatNumber(double value, std::string_view decimalSeparator) {
    const double scaled = value / 0.0001;
    const double rounded = std::trunc(value < 0 ? scaled - 0.5 : scaled + 0.5) * 0.0001;
    return FormatShortest(rounded, decimalSeparator);
}

std::string FormatFrameNumber(long long frame) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%06lld", frame);
    return buffer;
}

} // namespace bv
