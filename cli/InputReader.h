#pragma once

#include "support/platform/WindowTypes.h"

#include <atomic>
#include <thread>

namespace quorvex::cli {

// Reads operator lines from a descriptor (standard input) and the stop signals on a thread of its
// own and posts them to the session's window, so every command runs on the window thread. "wait"
// lines are served here: they delay the lines behind them, not the session. The signals must be
// blocked in every thread before any thread starts (StopSignalSet::block).
class InputReader {
public:
    InputReader(int input, zeph::platform::HWND window);
    // Stops the thread; lines not yet posted are dropped.
    ~InputReader();
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // The session's loop has ended and the stack is shutting down: lines are no longer posted, and
    // a stop signal now ends the process at once, since there is no session left to disconnect.
    void sessionEnded();

private:
    void run();
    // Waits for the time given; false when the reader is being stopped.
    bool pause(int milliseconds);
    void postLine(const std::string& line);
    // Reads a stop signal and tells the session, or ends the process on the second one.
    void takeStopSignal();

    int input_;
    zeph::platform::HWND window_;
    int stopFd_ = -1;
    int signalFd_ = -1;
    int stopSignals_ = 0;
    std::atomic<bool> sessionEnded_{false};
    std::thread thread_;
};

}  // namespace quorvex::cli
