#include "support/logconsole/ConsoleColor.h"
#include "support/logconsole/ConsoleLine.h"

#include <gtest/gtest.h>

namespace {

using namespace zeph::windows::logging;
using zeph::platform::RGB;

TEST(ConsoleLine, StampsDateTimeAndMillisecondsBeforeContextAndMessage) {
    // 6 March 2026 (a Friday), 09:05:03.007.
    const zeph::platform::SYSTEMTIME time{2026, 3, 5, 6, 9, 5, 3, 7};
    EXPECT_EQ(formatConsoleLine(time, u"QuorvexSupervisor::onRead", u"50% of [COM3] \u00e9"),
              QString::fromUtf8("03/06/2026 09:05:03.007 QuorvexSupervisor::onRead 50% of [COM3] \u00e9\n"));
    EXPECT_EQ(formatConsoleLine(time, u"", u" "), QStringLiteral("03/06/2026 09:05:03.007   \n"));
}

TEST(ConsoleColor, EachLevelHasItsConsoleAttributeOnBlack) {
    const std::pair<const LogVerbosity*, std::uint16_t> expected[] = {
        {&DebugLevel1, 0x01},  {&DebugLevel2, 0x09},  {&DebugLevel3, 0x0B},  {&DebugLevel4, 0x0A},
        {&Information, 0x07},  {&Warning, 0x0E},      {&Error, 0x0C},        {&UIInfo, 0x08},
        {&AppSpecific1, 0x08}, {&AppSpecific2, 0x08}, {&AppSpecific3, 0x08}, {&AppSpecific4, 0x08},
    };
    for (const auto& [level, attribute] : expected) {
        EXPECT_EQ(consoleAttributeOf(*level), attribute)
            << QString::fromStdWString(level->name()).toStdString();
        EXPECT_EQ(consoleBackgroundColour(attribute), RGB(0, 0, 0));
    }
}

TEST(ConsoleColor, TablesNameEveryAttribute) {
    EXPECT_EQ(ConsoleForeground::all().size(), 8u);
    EXPECT_EQ(ConsoleBackground::all().size(), 8u);
    EXPECT_EQ(ConsoleIntensity::all().size(), 3u);
    EXPECT_EQ(ConsoleForeground::find(6)->name(), L"FG Yellow");
    EXPECT_EQ(ConsoleBackground::find(0x50)->name(), L"BG Purple");
    EXPECT_EQ(ConsoleIntensity::find(0x80)->name(), L"Background");
}

}  // namespace
