#pragma once

#include "support/platform/WindowTypes.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quorvex::cli {

// Posts a clock message to a window just after every whole second of the system clock, as the
// console's one-second timer does, until destroyed.
class ClockTicker {
public:
    ClockTicker(zeph::platform::HWND window, zeph::platform::UINT message);
    ~ClockTicker();
    ClockTicker(const ClockTicker&) = delete;
    ClockTicker& operator=(const ClockTicker&) = delete;

private:
    void run();

    zeph::platform::HWND window_;
    zeph::platform::UINT message_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvex::cli
