#include "tests/helpers/WindowRecorder.h"

#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <algorithm>
#include <thread>

namespace quorvex::test {

namespace platform = zeph::platform;

WindowRecorder::WindowRecorder() {
    window_ = platform::createMessageWindow(
        [this](platform::HWND, platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
            received_.push_back({message, wParam, lParam});
            return platform::LRESULT{0};
        });
}

WindowRecorder::~WindowRecorder() {
    // Take in what is still queued, so that its records are released with the rest.
    platform::pumpMessages();
    platform::destroyWindow(window_);
    if (release) {
        std::for_each(received_.begin(), received_.end(), release);
    }
}

std::optional<WindowRecorder::Received> WindowRecorder::waitFor(platform::UINT message,
                                                                std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        platform::pumpMessages();
        for (std::size_t i = taken_; i < received_.size(); ++i) {
            if (received_[i].message == message) {
                taken_ = i + 1;
                return received_[i];
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::size_t WindowRecorder::countAfter(platform::UINT message, std::chrono::milliseconds settle) {
    const auto deadline = std::chrono::steady_clock::now() + settle;
    while (std::chrono::steady_clock::now() < deadline) {
        platform::pumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    platform::pumpMessages();
    return static_cast<std::size_t>(std::count_if(
        received_.begin(), received_.end(), [message](const Received& r) { return r.message == message; }));
}

}  // namespace quorvex::test
