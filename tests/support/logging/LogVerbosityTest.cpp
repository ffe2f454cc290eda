#include "support/logging/LogListener.h"
#include "support/logging/LogVerbosity.h"
#include "support/logging/TLogFilter.h"
#include "support/platform/TextConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace zeph::windows::logging;

TEST(LogVerbosityRegistry, HoldsTheTwelveLevelsInAscendingValueOrder) {
    const std::vector<std::pair<std::uint32_t, std::wstring>> expected = {
        {0x0001, L"Debug Level 1"},  {0x0002, L"Debug Level 2"},  {0x0004, L"Debug Level 3"},
        {0x0008, L"Debug Level 4"},  {0x0010, L"Information"},    {0x0020, L"Warning"},
        {0x0040, L"Error"},          {0x0080, L"UI Info"},        {0x0100, L"App Specific 1"},
        {0x0200, L"App Specific 2"}, {0x0400, L"App Specific 3"}, {0x0800, L"App Specific 4"},
    };
    std::vector<std::pair<std::uint32_t, std::wstring>> registered;
    for (const LogVerbosity* level : LogVerbosity::registry()) {
        registered.emplace_back(level->value(), level->name());
    }
    EXPECT_EQ(registered, expected);
    EXPECT_EQ(LogVerbosity::find(0x0040), &Error);
    EXPECT_EQ(LogVerbosity::find(0x0800), &AppSpecific4);
    EXPECT_EQ(LogVerbosity::find(0x1000), nullptr);
    EXPECT_EQ(LogVerbosity::find(0), nullptr);
}

TEST(LogVerbosityRegistry, FirstObjectOfAValueWinsAndADuplicateNeverRemovesIt) {
    {
        const LogVerbosity duplicate(0x0010, L"Not Information");
        const LogVerbosity copy(Warning);
        EXPECT_EQ(LogVerbosity::find(0x0010), &Information);
        EXPECT_EQ(LogVerbosity::find(0x0020), &Warning);
    }
    EXPECT_EQ(LogVerbosity::find(0x0010), &Information);
    EXPECT_EQ(LogVerbosity::find(0x0020), &Warning);
    EXPECT_EQ(LogVerbosity::registry().size(), 12u);
}

TEST(LogVerbosityRegistry, ATemporaryLevelLeavesTheRegistryWithItsLife) {
    {
        const LogVerbosity temporary(0x4000, L"Temporary");
        EXPECT_EQ(LogVerbosity::find(0x4000), &temporary);
        const std::vector<const LogVerbosity*> levels = LogVerbosity::registry();
        ASSERT_EQ(levels.size(), 13u);
        EXPECT_EQ(levels.back(), &temporary);
    }
    EXPECT_EQ(LogVerbosity::find(0x4000), nullptr);
    EXPECT_EQ(LogVerbosity::registry().size(), 12u);
}

struct FilteredSink : LogListener, TLogFilter<FilteredSink> {
    void write(const LogEntry&) override {}
};

TEST(LogFilterMask, PassesALevelWhenItsBitIsInTheMask) {
    FilteredSink sink;
    EXPECT_EQ(sink.getFilter(), 0xFFFF);
    for (const LogVerbosity* level : LogVerbosity::registry()) {
        EXPECT_TRUE(sink.passes(*level)) << zeph::platform::narrow(level->name());
    }

    sink.setFilter(0x00FF);  // what the log file keeps: everything but the application's levels
    EXPECT_EQ(sink.getFilter(), 0x00FF);
    EXPECT_TRUE(sink.passes(DebugLevel1));
    EXPECT_TRUE(sink.passes(UIInfo));
    EXPECT_FALSE(sink.passes(AppSpecific1));
    EXPECT_FALSE(sink.passes(AppSpecific4));

    sink.setFilter(0);
    EXPECT_FALSE(sink.passes(Error));

    EXPECT_EQ(sink.resetFilter(), 0xFFFF);
    EXPECT_EQ(sink.getFilter(), 0xFFFF);
    EXPECT_TRUE(sink.passes(AppSpecific4));
    // The mask has sixteen bits: a level above them never passes.
    const LogVerbosity high(0x10000, L"High");
    EXPECT_FALSE(sink.passes(high));
}

}  // namespace
