#include "support/logfile/LogLineFormat.h"

#include "support/platform/TextConversion.h"

#include <charconv>
#include <cstdio>

namespace zeph::windows::logging {

// The date and time fields are rendered here as strftime renders them, not by the wide-printf
// formatter of the log calls: there every '%' is a conversion of an argument.

namespace {

// The value in decimal with at least `digits` digits, as "%0<digits>u" renders it: the stamp is
// written for every line, and snprintf was about 5 % of the client's time at the line's limit.
void appendDecimal(std::string& out, unsigned value, int digits) {
    char text[16];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    const auto length = static_cast<int>(end - text);
    if (length < digits) {
        out.append(static_cast<std::size_t>(digits - length), '0');
    }
    out.append(text, static_cast<std::size_t>(length));
}

}  // namespace

void formatLine(std::string& out, std::uint32_t level, const platform::SYSTEMTIME& time,
                std::string_view context, std::string_view message) {
    const platform::SYSTEMTIME t = time.wYear < 1900 ? platform::localTimeAt(0) : time;
    struct Field {
        unsigned value;
        int digits;
        char after;
    };
    // "MM/DD/YYYY|HH:MM:SS.mmm|level|"
    const Field fields[] = {{t.wMonth, 2, '/'},        {t.wDay, 2, '/'},    {t.wYear, 4, '|'},
                            {t.wHour, 2, ':'},         {t.wMinute, 2, ':'}, {t.wSecond, 2, '.'},
                            {t.wMilliseconds, 3, '|'}, {level, 1, '|'}};
    for (const Field& field : fields) {
        appendDecimal(out, field.value, field.digits);
        out += field.after;
    }
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
