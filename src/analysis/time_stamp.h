// Date and time texts that name the files of a run.
#pragma once

#include <ctime>
#include <string>

namespace bv {

// Local date and time as YYYYMMDD_hhmmss.
std::string DateTimeStamp();
std::string DateTimeStamp(const std::tm& local);

// Local time of day as hh:mm:ss.
std::string TimeOfDayText();
std::string TimeOfDayText(const std::tm& local);

} // namespace bv
