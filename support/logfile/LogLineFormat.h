#pragma once

#include "support/logging/LogEntry.h"
#include "support/platform/LocalTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zeph::windows::logging {

// The first line of every debug log file.
inline constexpr std::string_view kLogFileHeader = "Date|Time|Verbosity|Context|Message\n";

// One entry as a line of the file, UTF-8, appended to out (or returned):
// "03/06/2026|09:05:03.007|64|context|message\n". The message is written as rendered, line
// breaks and '|' included. An entry dated before 1900 gets the date and time of time value 0.
void formatLine(std::string& out, std::uint32_t level, const platform::SYSTEMTIME& time,
                std::string_view context, std::string_view message);
std::string formatLine(std::uint32_t level, const platform::SYSTEMTIME& time, std::string_view context,
                       std::string_view message);
inline void formatLine(std::string& out, const LogEntry& entry) {
    formatLine(out, entry.verbosity().value(), entry.time(), entry.context(), entry.message());
}

// The start time as file names carry it, "%Y%m%d_%H%M%S": "20260306_090503".
std::wstring logFileTimeStamp(const platform::SYSTEMTIME& time);

}  // namespace zeph::windows::logging
