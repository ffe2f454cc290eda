#pragma once

#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace quorvex::test {

// A one-way signal with a bounded wait, so that a broken test fails instead of hanging.
class TestSignal {
public:
    void set() {
        std::lock_guard lock(mutex_);
        set_ = true;
        changed_.notify_all();
    }
    bool waitFor(std::chrono::seconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return set_; });
    }
    bool isSet() {
        std::lock_guard lock(mutex_);
        return set_;
    }

private:
    std::mutex mutex_;                 // guards set_
    std::condition_variable changed_;  // signals set_
    bool set_ = false;
};

using zeph::platform::HWND;
using zeph::platform::LPARAM;
using zeph::platform::LRESULT;
using zeph::platform::ThreadId;
using zeph::platform::UINT;
using zeph::platform::WindowProc;
using zeph::platform::WPARAM;

// A real thread running a getMessage/dispatchMessage loop with one window of the given
// procedure; tasks run on it through a second window. Ends with WM_QUIT and a join.
class MessageLoopThread {
public:
    explicit MessageLoopThread(WindowProc procedure = defaultProcedure) {
        std::promise<void> ready;
        auto started = ready.get_future();
        thread_ = std::thread([this, procedure = std::move(procedure), &ready]() mutable {
            window_ = zeph::platform::createMessageWindow(std::move(procedure));
            runner_ = zeph::platform::createMessageWindow([](HWND, UINT, WPARAM, LPARAM lParam) -> LRESULT {
                (*reinterpret_cast<std::function<void()>*>(lParam))();
                return 0;
            });
            id_ = zeph::platform::currentThreadId();
            ready.set_value();
            zeph::platform::MSG msg;
            while (zeph::platform::getMessage(msg, nullptr, 0, 0) > 0) {
                zeph::platform::dispatchMessage(msg);
            }
        });
        started.wait();
    }
    ~MessageLoopThread() { stop(); }
    MessageLoopThread(const MessageLoopThread&) = delete;
    MessageLoopThread& operator=(const MessageLoopThread&) = delete;

    HWND window() const { return window_; }
    ThreadId id() const { return id_; }

    // Runs the task on the loop thread and returns when it is done.
    void run(std::function<void()> task) {
        zeph::platform::sendMessage(runner_, zeph::platform::WM_USER, 0, reinterpret_cast<LPARAM>(&task));
    }

    void stop() {
        if (thread_.joinable()) {
            zeph::platform::postThreadMessage(id_, zeph::platform::WM_QUIT, 0, 0);
            thread_.join();
        }
    }

    static LRESULT defaultProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

private:
    HWND window_ = nullptr;
    HWND runner_ = nullptr;
    ThreadId id_ = 0;
    std::thread thread_;
};

}  // namespace quorvex::test
