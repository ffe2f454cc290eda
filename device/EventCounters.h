#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>

// Three counters of one event bit, changed with interlocked increments only. For the streaming
// event the first counts accepted blocks and the third ignored ones.
struct EventCounters {
    static constexpr std::size_t Accepted = 0;
    static constexpr std::size_t Ignored = 2;

    std::array<std::atomic<std::uint32_t>, 3> counts{};

    void increment(std::size_t which) { counts[which].fetch_add(1); }
    std::uint32_t count(std::size_t which) const { return counts[which].load(); }
    // The sum of the three counters.
    std::uint32_t total() const { return count(0) + count(1) + count(2); }
    void reset();
};

// The per-event counters: keys 0x1, 0x2, 0x4 ... 0x100, created with zero counters. The map is
// never changed after construction, so looking a key up needs no lock.
class EventCounterTable {
public:
    EventCounterTable();
    EventCounterTable(const EventCounterTable&) = delete;
    EventCounterTable& operator=(const EventCounterTable&) = delete;

    // The counters of that event bit, or null.
    EventCounters* find(std::uint32_t eventBit);
    const std::map<std::uint32_t, EventCounters>& all() const { return counters_; }
    void resetAll();

private:
    std::map<std::uint32_t, EventCounters> counters_;
};
