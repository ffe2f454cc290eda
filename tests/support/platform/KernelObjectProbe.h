#pragma once

#include "support/platform/WaitRegistry.h"

#include <chrono>
#include <thread>

namespace quorvex::test {

// Generous bound for anything that should happen at once: a broken test fails, never hangs.
inline constexpr zeph::platform::DWORD kLongWaitMs = 10000;

// Waits, bounded, until predicate holds; for states that no event announces (a waiter having
// registered on an object).
template <typename Predicate>
bool eventually(Predicate predicate,
                std::chrono::milliseconds limit = std::chrono::milliseconds(kLongWaitMs)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True once count waits are blocked on object.
inline bool waitersArrive(const zeph::platform::KernelObject& object, std::size_t count) {
    return eventually([&] { return zeph::platform::WaitRegistry::waitingOn(object) == count; });
}

}  // namespace quorvex::test
