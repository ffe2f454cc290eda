#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace quorvex::test {

// The one QApplication of a window test binary, created on first use with the Fusion style, its
// standard palette, DejaVu Sans 9 pt and a pixel ratio of 1, so pictures are the same everywhere.
void ensureConsoleApplication();

// A window test: the application exists before any member widget is built.
class WindowTest : public ::testing::Test {
protected:
    WindowTest() { ensureConsoleApplication(); }
};

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the event loop for every event already due, without waiting for new ones.
void processPendingEvents();

}  // namespace quorvex::test
