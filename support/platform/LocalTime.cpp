#include "support/platform/LocalTime.h"

namespace zeph::platform {

SYSTEMTIME getLocalTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // Every log entry is stamped: the broken-down second is kept per thread, since localtime_r
    // takes the C library's time zone lock on each call (zone rules change only between seconds).
    thread_local std::time_t cachedSecond = -1;
    thread_local SYSTEMTIME cached;
    if (now.tv_sec != cachedSecond) {
        cached = localTimeAt(now.tv_sec);
        cachedSecond = now.tv_sec;
    }
    SYSTEMTIME time = cached;
    time.wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return time;
}

namespace {

SYSTEMTIME systemTimeOf(const std::tm& broken, std::uint16_t milliseconds) {
    SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(broken.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(broken.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(broken.tm_wday);
    time.wDay = static_cast<std::uint16_t>(broken.tm_mday);
    time.wHour = static_cast<std::uint16_t>(broken.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(broken.tm_min);
    // Windows has no leap second: second 60 stays on 59.
    time.wSecond = static_cast<std::uint16_t>(broken.tm_sec > 59 ? 59 : broken.tm_sec);
    time.wMilliseconds = milliseconds;
    return time;
}

}  // namespace

SYSTEMTIME localTimeAt(std::time_t seconds, std::uint16_t milliseconds) {
    std::tm local{};
    // Without a usable time zone, UTC is still a true time; a record of zeros would not be.
    if (::localtime_r(&seconds, &local) == nullptr && ::gmtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    return systemTimeOf(local, milliseconds > 999 ? 999 : milliseconds);
}

SYSTEMTIME utcTimeAt(std::time_t seconds, std::uint16_t milliseconds) {
    std::tm utc{};
    if (::gmtime_r(&seconds, &utc) == nullptr) {
        return {};
    }
    return systemTimeOf(utc, milliseconds);
}

}  // namespace zeph::platform
