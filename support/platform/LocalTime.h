#pragma once

#include <cstdint>

namespace zeph::platform {

struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;  // 1..12
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// GetLocalTime: the local wall-clock time with milliseconds.
SYSTEMTIME getLocalTime();

}  // namespace zeph::platform
