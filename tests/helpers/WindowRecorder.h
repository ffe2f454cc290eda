#pragma once

#include "support/platform/WindowTypes.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace quorvex::test {

// A message-only window on the test thread standing in for the console's main window: it keeps
// every message it is sent or posted, in order.
class WindowRecorder {
public:
    struct Received {
        zeph::platform::UINT message;
        zeph::platform::WPARAM wParam;
        zeph::platform::LPARAM lParam;
    };

    WindowRecorder();
    ~WindowRecorder();
    WindowRecorder(const WindowRecorder&) = delete;
    WindowRecorder& operator=(const WindowRecorder&) = delete;

    zeph::platform::HWND handle() const { return window_; }
    const std::vector<Received>& received() const { return received_; }

    // Pumps the test thread's queue until a message of that id has arrived (the first one not yet
    // taken), or the time is up; null when none came.
    std::optional<Received> waitFor(zeph::platform::UINT message,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Pumps for the given time and returns how many messages of that id arrived in all.
    std::size_t countAfter(zeph::platform::UINT message, std::chrono::milliseconds settle);

    // Releases heap records that messages carried (the window owns them).
    std::function<void(const Received&)> release;

private:
    zeph::platform::HWND window_ = nullptr;
    std::vector<Received> received_;
    std::size_t taken_ = 0;
};

}  // namespace quorvex::test
