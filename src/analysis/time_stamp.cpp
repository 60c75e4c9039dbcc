#include "analysis/time_stamp.h"

#include <cstdio>

namespace bv {

namespace {
std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}
} // namespace

std::string DateTimeStamp(const std::tm& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d_%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buffer;
}

std::string DateTimeStamp() { return DateTimeStamp(LocalNow()); }

std::string TimeOfDayText(const std::tm& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return buffer;
}

std::string TimeOfDayText() { return TimeOfDayText(LocalNow()); }

} // namespace bv
