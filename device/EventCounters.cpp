#include "device/EventCounters.h"

void EventCounters::reset() {
    for (auto& counter : counts) {
        counter.store(0);
    }
}

EventCounterTable::EventCounterTable() {
    for (std::uint32_t bit = 0x1; bit <= 0x100; bit <<= 1) {
        counters_.try_emplace(bit);
    }
}

EventCounters* EventCounterTable::find(std::uint32_t eventBit) {
    const auto found = counters_.find(eventBit);
    return found == counters_.end() ? nullptr : &found->second;
}

void EventCounterTable::resetAll() {
    for (auto& [bit, counters] : counters_) {
        counters.reset();
    }
}
