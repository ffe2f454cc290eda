#pragma once

#include <chrono>
#include <functional>

namespace quorvex::test {

// Runs the test thread's Qt event loop, which also delivers the platform's messages to this
// thread's windows, until the condition holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(15));

// Lets the event loop run for the time, for checks that something does not happen.
void runEventsFor(std::chrono::milliseconds time);

}  // namespace quorvex::test
