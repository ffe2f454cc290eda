#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/SentMessage.h"
#include "support/platform/Thread.h"
#include "support/platform/WindowTypes.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace zeph::platform {

// Which posted messages a getMessage/peekMessage takes: one window (null: all) and a message
// range (0..0: all). WM_QUIT passes every range, as on Windows, so a filtered loop still ends;
// a window filter takes only that window's messages.
struct MessageFilter {
    HWND window = nullptr;
    UINT min = 0;
    UINT max = 0;

    bool matches(const MSG& msg) const;
};

// One thread's message queue: posted messages in FIFO order, sent messages waiting for the
// owner, the quit flag and the wake hook. It never calls a window procedure; the free functions
// of MessageQueue.h and MessageWindow.h do, with no lock of this class held.
class ThreadMessageQueue {
public:
    explicit ThreadMessageQueue(ThreadId owner) : owner_(owner) {}
    ThreadMessageQueue(const ThreadMessageQueue&) = delete;
    ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

    ThreadId owner() const { return owner_; }

    // As many posted messages as a Windows thread queue holds; a post beyond them is refused.
    static constexpr std::size_t PostedLimit = 10000;

    // 0; ERROR_NOT_ENOUGH_QUOTA while PostedLimit messages wait; ERROR_INVALID_HANDLE once the
    // owner thread has ended.
    DWORD post(const MSG& msg);
    // Sets the quit flag; WM_QUIT is then taken once no other posted message is in the filter.
    void postQuit(int exitCode);
    // False when the queue is closed or the target window is no longer alive here.
    bool enqueueSent(std::shared_ptr<SentMessage> sent);
    std::shared_ptr<SentMessage> takeSent();

    // The first posted message in the filter (or the quit flag), removed when remove is set.
    bool peek(MSG& msg, const MessageFilter& filter, bool remove);
    // The sequence number of the newest posted message: pumpMessages takes nothing newer, so
    // a procedure that posts to its own window cannot keep one pump running forever.
    std::uint64_t lastSequence() const;
    // Removes the first posted message not newer than upTo, skipping WM_QUIT (left queued for
    // the thread's getMessage loop).
    bool takeForPump(MSG& msg, std::uint64_t upTo);

    // Blocking without polling: read changes() before looking at the queue, then wait for a
    // change; every post, send, quit and reply bumps the count.
    std::uint64_t changes() const;
    void waitForChange(std::uint64_t seen);
    // Wakes the owner after a reply to one of its sendMessage calls has arrived.
    void wake();

    void addWindow(HWND window);
    bool hasWindow(HWND window) const;
    // Forgets the window and returns the sent messages still waiting for it.
    std::vector<std::shared_ptr<SentMessage>> removeWindow(HWND window);

    // The owner thread ends: refuses everything from now on, drops posted messages, removes the
    // hook (waiting for calls of it in progress) and returns the sent messages still waiting.
    std::vector<std::shared_ptr<SentMessage>> close();

    // Replaces the wake hook and waits until calls of the old one in progress on other threads
    // have returned, so that what the old hook refers to can be destroyed right after.
    void setWakeHook(std::function<void()> hook);

private:
    struct Posted {
        MSG msg;
        std::uint64_t sequence;
    };
    struct Hook {
        std::function<void()> call;
        int callsInProgress = 0;  // guarded by mutex_
    };

    // Bumps the change count, wakes waiters and returns the hook to call after unlocking.
    std::shared_ptr<Hook> signalLocked();
    void callHook(const std::shared_ptr<Hook>& hook);
    void waitForHookCallsLocked(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Hook>& hook);

    const ThreadId owner_;
    mutable std::mutex mutex_;         // guards every member below
    std::condition_variable changed_;  // signals a bump of changes_ or the end of a hook call
    std::uint64_t changes_ = 0;
    std::uint64_t nextSequence_ = 1;
    std::deque<Posted> posted_;
    std::deque<std::shared_ptr<SentMessage>> sent_;
    std::unordered_set<HWND> windows_;
    bool quitPending_ = false;
    int quitCode_ = 0;
    bool closed_ = false;
    std::shared_ptr<Hook> hook_;
};

}  // namespace zeph::platform
