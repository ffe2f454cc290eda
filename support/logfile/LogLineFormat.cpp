#include "support/logfile/LogLineFormat.h"

#include "support/platform/TextConversion.h"

#include <cstdio>

namespace zeph::windows::logging {

// The date and time fields are rendered here as strftime renders them, not by the wide-printf
// formatter of the log calls: there every '%' is a conversion of an argument.

void formatLine(std::string& out, std::uint32_t level, const platform::SYSTEMTIME& time,
                std::string_view context, std::string_view message) {
    const platform::SYSTEMTIME t = time.wYear < 1900 ? platform::localTimeAt(0) : time;
    char stamp[96];
    const int length = std::snprintf(stamp, sizeof stamp, "%02u/%02u/%04u|%02u:%02u:%02u.%03u|%u|", t.wMonth,
                                     t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, level);
    out.append(stamp, static_cast<std::size_t>(length));
    out += context;
    out += '|';
    out += message;
    out += '\n';
}

std::string formatLine(std::uint32_t level, const platform::SYSTEMTIME& time, std::string_view context,
                       std::string_view message) {
    std::string line;
    formatLine(line, level, time, context, message);
    return line;
}

std::wstring logFileTimeStamp(const platform::SYSTEMTIME& time) {
    char stamp[64];
    const int length = std::snprintf(stamp, sizeof stamp, "%04u%02u%02u_%02u%02u%02u", time.wYear,
                                     time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return platform::widen(std::string_view(stamp, static_cast<std::size_t>(length)));
}

}  // namespace zeph::windows::logging
