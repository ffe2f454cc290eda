#include "cli/ClockTicker.h"

#include "support/platform/MessageWindow.h"

#include <chrono>

namespace quorvex::cli {

ClockTicker::ClockTicker(zeph::platform::HWND window, zeph::platform::UINT message)
    : window_(window), message_(message), thread_([this] { run(); }) {}

ClockTicker::~ClockTicker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
}

void ClockTicker::run() {
    using namespace std::chrono;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        // A little past the second, so the receiver reads the second that has just begun.
        const auto next = ceil<seconds>(system_clock::now() + milliseconds(1)) + milliseconds(20);
        if (stop_.wait_until(lock, next, [this] { return stopping_; })) {
            return;
        }
        zeph::platform::postMessage(window_, message_, 0, 0);
    }
}

}  // namespace quorvex::cli
