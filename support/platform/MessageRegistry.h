#pragma once

#include "support/platform/MessageWindow.h"
#include "support/platform/Thread.h"
#include "support/platform/ThreadMessageQueue.h"

#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zeph::platform {

// Where a window's messages go.
struct WindowTarget {
    ThreadId owner = 0;
    std::shared_ptr<ThreadMessageQueue> queue;
};

// The process-wide table of thread queues and message-only windows. It lives until the process
// ends (threads may still post while static objects are destroyed) and never calls a window
// procedure.
class MessageRegistry {
public:
    static MessageRegistry& instance();

    std::shared_ptr<ThreadMessageQueue> queueOf(ThreadId thread) const;

    // Registers a window of the queue's thread under a number that is never given out again.
    HWND addWindow(const std::shared_ptr<ThreadMessageQueue>& queue, WindowProc procedure);
    std::optional<WindowTarget> target(HWND window) const;
    // Only for the owner thread: other threads must not end up holding the last reference.
    std::shared_ptr<const WindowProc> procedure(HWND window) const;
    // Returns the removed procedure, so that it is destroyed after the lock is released.
    std::shared_ptr<const WindowProc> removeWindow(HWND window);

    void addQueue(const std::shared_ptr<ThreadMessageQueue>& queue);
    // The thread ends: forgets its queue and its windows and returns their procedures.
    std::vector<std::shared_ptr<const WindowProc>> removeThread(ThreadId thread);

private:
    struct Window {
        WindowTarget target;
        std::shared_ptr<const WindowProc> procedure;
    };

    MessageRegistry() = default;

    mutable std::mutex mutex_;  // guards queues_, windows_ and nextHandle_
    std::unordered_map<ThreadId, std::shared_ptr<ThreadMessageQueue>> queues_;
    std::unordered_map<HWND, Window> windows_;
    std::uintptr_t nextHandle_ = 0x10000;
};

// The calling thread's queue, created on first use and closed when the thread ends; null only
// while the thread itself is being torn down.
std::shared_ptr<ThreadMessageQueue> currentQueue();
// The calling thread's queue if it has one, without creating it.
std::shared_ptr<ThreadMessageQueue> existingQueue();

}  // namespace zeph::platform
