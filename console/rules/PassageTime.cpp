#include "console/rules/PassageTime.h"

#include "device/EventRecords.h"

#include <cmath>
#include <ctime>

namespace quorvex::console {

zeph::platform::SYSTEMTIME passageUtcTime(const PassageRecord& passage) {
    const std::time_t seconds = passage.seconds;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    zeph::platform::SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(utc.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(utc.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
    time.wDay = static_cast<std::uint16_t>(utc.tm_mday);
    time.wHour = static_cast<std::uint16_t>(utc.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(utc.tm_min);
    time.wSecond = static_cast<std::uint16_t>(utc.tm_sec);
    time.wMilliseconds = static_cast<std::uint16_t>(std::floor(passage.microseconds * 0.001 + 0.5));
    return time;
}

}  // namespace quorvex::console
