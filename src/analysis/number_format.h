// Numbers as the logs, reports and display write them.
#pragma once

#include <string>
#include <string_view>

namespace bv {

// The decimal separator of the user's LC_NUMERIC locale (read once; "." when unknown).
// The process's global C locale is never changed for this.
const std::string& UserDecimalSeparator();

// Rounded to 4 decimals (halves away from zero), then the shortest form with up to 15
// significant digits: no trailing zeros, no exponent, "0" for zero.
std::string FormatNumber(double value, std::string_view decimalSeparator);
inline std::string FormatNumber(double value) { return FormatNumber(value, UserDecimalSeparator()); }

// Shortest form with up to 15 significant digits and the given separator, without rounding.
std::string FormatShortest(double value, std::string_view decimalSeparator);

// Frame numbers in CSV logs: at least 6 digits, zero-padded.
std::string FormatFrameNumber(long long frame);

} // namespace bv
