#pragma once

#include <cstdint>
#include <ctime>

namespace zeph::platform {

struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;      // 1..12
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// GetLocalTime: the local wall-clock time with milliseconds. A change of time zone (tzset) shows
// from the next second on.
SYSTEMTIME getLocalTime();

// The local time of a moment given as seconds since 1970 (UTC) and milliseconds, e.g. the time
// value 0 that stands in for a record without a date. A leap second reads as second 59.
SYSTEMTIME localTimeAt(std::time_t seconds, std::uint16_t milliseconds = 0);

// The same moment in UTC (as a unit's passage time is given); the milliseconds as given.
SYSTEMTIME utcTimeAt(std::time_t seconds, std::uint16_t milliseconds = 0);

}  // namespace zeph::platform
