#include "support/platform/LocalTime.h"

#include "tests/support/platform/ScopedVariable.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

namespace zeph::platform {
namespace {

// Sets TZ for one test and puts the previous zone back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : variable_(std::in_place, "TZ", zone) { ::tzset(); }
    ~ScopedTimeZone() {
        variable_.reset();
        ::tzset();
    }

private:
    std::optional<ScopedVariable> variable_;
};

void expectTime(const SYSTEMTIME& time, int year, int month, int day, int dayOfWeek, int hour, int minute,
                int second, int milliseconds) {
    EXPECT_EQ(time.wYear, year);
    EXPECT_EQ(time.wMonth, month);
    EXPECT_EQ(time.wDay, day);
    EXPECT_EQ(time.wDayOfWeek, dayOfWeek);
    EXPECT_EQ(time.wHour, hour);
    EXPECT_EQ(time.wMinute, minute);
    EXPECT_EQ(time.wSecond, second);
    EXPECT_EQ(time.wMilliseconds, milliseconds);
}

TEST(LocalTimeTest, KnownMomentsInKnownZones) {
    {
        ScopedTimeZone utc("UTC0");
        expectTime(localTimeAt(0), 1970, 1, 1, 4, 0, 0, 0, 0);  // a Thursday
        expectTime(localTimeAt(951868799, 7), 2000, 2, 29, 2, 23, 59, 59, 7);
        expectTime(localTimeAt(1772787903, 999), 2026, 3, 6, 5, 9, 5, 3, 999);
    }
    {
        ScopedTimeZone india("IST-5:30");
        expectTime(localTimeAt(0), 1970, 1, 1, 4, 5, 30, 0, 0);
    }
    {
        ScopedTimeZone westOfUtc("XST8");
        expectTime(localTimeAt(0), 1969, 12, 31, 3, 16, 0, 0, 0);
    }
}

TEST(LocalTimeTest, MillisecondsStayBelowOneThousand) {
    ScopedTimeZone utc("UTC0");
    EXPECT_EQ(localTimeAt(0, 1500).wMilliseconds, 999);
}

std::time_t realtimeSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

// The clock agrees with the C library's view of the same moment, to the second. The bracket reads
// the same clock as the code: time() may read a coarse clock a tick behind it across a second.
TEST(LocalTimeTest, NowIsTheLocalWallClock) {
    ScopedTimeZone zone("XST-3");
    // A new zone shows from the next second: the second's fields are kept between calls.
    const std::time_t zoneSet = realtimeSeconds();
    while (realtimeSeconds() == zoneSet) {
    }
    for (int call = 0; call < 3; ++call) {
        const std::time_t before = realtimeSeconds();
        const SYSTEMTIME now = getLocalTime();
        const std::time_t after = realtimeSeconds();
        std::tm local{};
        bool matched = false;
        for (std::time_t second = before; second <= after && !matched; ++second) {
            ASSERT_NE(::localtime_r(&second, &local), nullptr);
            matched = now.wYear == local.tm_year + 1900 && now.wMonth == local.tm_mon + 1 &&
                      now.wDay == local.tm_mday && now.wDayOfWeek == local.tm_wday &&
                      now.wHour == local.tm_hour && now.wMinute == local.tm_min &&
                      now.wSecond == local.tm_sec;
        }
        EXPECT_TRUE(matched) << "call " << call;
        EXPECT_LT(now.wMilliseconds, 1000);
    }
}

}  // namespace
}  // namespace zeph::platform
