#include "support/logconsole/ConsoleLine.h"

#include <cstdio>

namespace zeph::windows::logging {

QString formatConsoleLine(const platform::SYSTEMTIME& time, QStringView context, QStringView message) {
    char stamp[64];
    const int length =
        std::snprintf(stamp, sizeof stamp, "%02u/%02u/%04u %02u:%02u:%02u.%03u ", time.wMonth, time.wDay,
                      time.wYear, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    QString line = QString::fromLatin1(stamp, length);
    line.reserve(length + context.size() + message.size() + 2);
    line.append(context).append(QLatin1Char(' ')).append(message).append(QLatin1Char('\n'));
    return line;
}

}  // namespace zeph::windows::logging
