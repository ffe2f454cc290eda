#pragma once
// How soon the window thread answers: a thread of its own posts a stamped message to a window of
// the thread that makes the probe, every interval; the window notes how late each one came.
// Used by the streaming bench (the figure) and the streaming test (that no message is lost).

#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace quorvex::bench {

class WindowThreadProbe {
public:
    explicit WindowThreadProbe(std::chrono::milliseconds every = std::chrono::milliseconds(100))
        : window_(zeph::platform::createMessageWindow(
              [this](zeph::platform::HWND, zeph::platform::UINT message, zeph::platform::WPARAM,
                     zeph::platform::LPARAM stamp) -> zeph::platform::LRESULT {
                  if (message == kProbe) {
                      worstNs = std::max(worstNs, nowNs() - stamp);
                      ++answered;
                  }
                  return 0;
              })),
          thread_([this, every] {
              while (!stop_.load()) {
                  if (zeph::platform::postMessage(window_, kProbe, 0, nowNs())) {
                      posted.fetch_add(1);
                  }
                  std::this_thread::sleep_for(every);
              }
          }) {}
    ~WindowThreadProbe() {
        stopPosting();
        zeph::platform::destroyWindow(window_);
    }
    WindowThreadProbe(const WindowThreadProbe&) = delete;
    WindowThreadProbe& operator=(const WindowThreadProbe&) = delete;

    // Posts no more; the window still answers what is on its way.
    void stopPosting() {
        stop_.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    std::atomic<long> posted{0};
    long answered = 0;        // on the window thread
    std::int64_t worstNs = 0;  // on the window thread

private:
    static constexpr zeph::platform::UINT kProbe = zeph::platform::WM_APP + 17;

    static std::int64_t nowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    zeph::platform::HWND window_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace quorvex::bench
