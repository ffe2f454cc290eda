#include "support/logfile/LogLineFormat.h"
#include "support/logging/LogVerbosity.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace zeph::windows::logging;
using zeph::platform::SYSTEMTIME;

SYSTEMTIME march6th() {
    SYSTEMTIME time;
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 6;
    time.wDayOfWeek = 5;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 3;
    time.wMilliseconds = 7;
    return time;
}

TEST(LogFileLine, FieldsAreDateTimeMillisecondsLevelContextMessage) {
    EXPECT_EQ(formatLine(Error.value(), march6th(), "Serial::openPort", "::CreateFileW() failed, [2]."),
              "03/06/2026|09:05:03.007|64|Serial::openPort|::CreateFileW() failed, [2].\n");
    EXPECT_EQ(formatLine(AppSpecific4.value(), march6th(), "", ""), "03/06/2026|09:05:03.007|2048||\n");
    // Fields wider than their padding keep every digit, as "%02u" and "%u" render them.
    SYSTEMTIME wide = march6th();
    wide.wYear = 65535;
    wide.wMonth = 123;
    wide.wMilliseconds = 1000;
    EXPECT_EQ(formatLine(0xFFFFFFFF, wide, "c", "m"), "123/06/65535|09:05:03.1000|4294967295|c|m\n");
}

TEST(LogFileLine, MessagesAreWrittenAsRendered) {
    EXPECT_EQ(formatLine(16, march6th(), "a|b", "100% %d %s\nnext|line"),
              "03/06/2026|09:05:03.007|16|a|b|100% %d %s\nnext|line\n")
        << "a message is never formatted again, and its breaks and bars stay";
}

TEST(LogFileLine, AnEntryBefore1900GetsTheTimeOfTimeValueZero) {
    SYSTEMTIME early = march6th();
    early.wYear = 1899;
    const SYSTEMTIME epoch = zeph::platform::localTimeAt(0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%02d/%02d/%04d|%02d:%02d:%02d.000|1|c|m\n", epoch.wMonth,
                  epoch.wDay, epoch.wYear, epoch.wHour, epoch.wMinute, epoch.wSecond);
    EXPECT_EQ(formatLine(1, early, "c", "m"), expected);
}

TEST(LogFileLine, FileTimeStamp) {
    EXPECT_EQ(logFileTimeStamp(march6th()), L"20260306_090503");
}

}  // namespace
