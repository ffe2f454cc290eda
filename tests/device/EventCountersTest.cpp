#include "device/EventCounters.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(EventCounters, HasZeroedCountersForTheNineEventBits) {
    EventCounterTable table;
    std::vector<std::uint32_t> keys;
    for (const auto& [bit, counters] : table.all()) {
        keys.push_back(bit);
        EXPECT_EQ(0u, counters.total());
    }
    EXPECT_EQ((std::vector<std::uint32_t>{0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100}), keys);
    EXPECT_EQ(nullptr, table.find(0x200));
    EXPECT_EQ(nullptr, table.find(0x3));
    EXPECT_EQ(nullptr, table.find(0));
}

TEST(EventCounters, ConcurrentIncrementsAreNeverLost) {
    EventCounterTable table;
    EventCounters* streaming = table.find(0x1);
    ASSERT_NE(nullptr, streaming);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([streaming, t] {
            for (int i = 0; i < 10000; ++i) {
                streaming->increment(t % 2 == 0 ? EventCounters::Accepted : EventCounters::Ignored);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(20000u, streaming->count(EventCounters::Accepted));
    EXPECT_EQ(20000u, streaming->count(EventCounters::Ignored));
    EXPECT_EQ(40000u, streaming->total());

    table.resetAll();
    EXPECT_EQ(0u, streaming->total());
}
