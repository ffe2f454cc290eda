#include "support/logging/LogVerbosity.h"

#include <array>
#include <atomic>
#include <bit>
#include <map>
#include <mutex>
#include <utility>

namespace zeph::windows::logging {

namespace {

struct Registry {
    std::mutex mutex;  //!< Guards levels: levels register and look up from any thread.
    std::map<std::uint32_t, const LogVerbosity*> levels;
    // The registered level of each one-bit value, written under the mutex and read without it:
    // every delivered entry looks its level up, and a lock there would be taken per entry.
    std::array<std::atomic<const LogVerbosity*>, 32> byBit{};
};

bool isOneBit(std::uint32_t value) {
    return std::has_single_bit(value);
}

// Created by the first level and never destroyed, so that levels of every translation unit,
// and log calls of threads still running at exit, always find it alive.
Registry& theRegistry() {
    static Registry* const registry = new Registry;
    return *registry;
}

void enrol(const LogVerbosity* level) {
    Registry& registry = theRegistry();
    const std::lock_guard lock(registry.mutex);
    if (registry.levels.try_emplace(level->value(), level).second && isOneBit(level->value())) {
        registry.byBit[std::countr_zero(level->value())].store(level, std::memory_order_release);
    }
}

}  // namespace

LogVerbosity::LogVerbosity(std::uint32_t value, std::wstring name) : value_(value), name_(std::move(name)) {
    enrol(this);
}

LogVerbosity::LogVerbosity(const LogVerbosity& other) : value_(other.value_), name_(other.name_) {
    enrol(this);
}

LogVerbosity::~LogVerbosity() {
    Registry& registry = theRegistry();
    const std::lock_guard lock(registry.mutex);
    const auto entry = registry.levels.find(value_);
    // Only the registered object of a value removes it; a later duplicate leaves it alone.
    if (entry != registry.levels.end() && entry->second == this) {
        registry.levels.erase(entry);
        if (isOneBit(value_)) {
            registry.byBit[std::countr_zero(value_)].store(nullptr, std::memory_order_release);
        }
    }
}

std::vector<const LogVerbosity*> LogVerbosity::registry() {
    Registry& registry = theRegistry();
    const std::lock_guard lock(registry.mutex);
    std::vector<const LogVerbosity*> levels;
    levels.reserve(registry.levels.size());
    for (const auto& [value, level] : registry.levels) {
        levels.push_back(level);
    }
    return levels;
}

const LogVerbosity* LogVerbosity::find(std::uint32_t value) {
    Registry& registry = theRegistry();
    if (isOneBit(value)) {
        return registry.byBit[std::countr_zero(value)].load(std::memory_order_acquire);
    }
    const std::lock_guard lock(registry.mutex);
    const auto entry = registry.levels.find(value);
    return entry == registry.levels.end() ? nullptr : entry->second;
}

const LogVerbosity DebugLevel1(0x0001, L"Debug Level 1");
const LogVerbosity DebugLevel2(0x0002, L"Debug Level 2");
const LogVerbosity DebugLevel3(0x0004, L"Debug Level 3");
const LogVerbosity DebugLevel4(0x0008, L"Debug Level 4");
const LogVerbosity Information(0x0010, L"Information");
const LogVerbosity Warning(0x0020, L"Warning");
const LogVerbosity Error(0x0040, L"Error");
const LogVerbosity UIInfo(0x0080, L"UI Info");
const LogVerbosity AppSpecific1(0x0100, L"App Specific 1");
const LogVerbosity AppSpecific2(0x0200, L"App Specific 2");
const LogVerbosity AppSpecific3(0x0400, L"App Specific 3");
const LogVerbosity AppSpecific4(0x0800, L"App Specific 4");

}  // namespace zeph::windows::logging
