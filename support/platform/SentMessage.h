#pragma once

#include "support/platform/WindowTypes.h"

#include <atomic>
#include <cstddef>
#include <memory>

namespace zeph::platform {

class ThreadMessageQueue;

// One cross-thread sendMessage: queued with the window's owner, answered by it (or cancelled
// when the window or its thread goes away), while the sender waits on its reply queue.
struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    // The sender's own queue, or a private one when the sender has none; woken on completion.
    std::shared_ptr<ThreadMessageQueue> replyQueue;

    // Written once by the completing thread before done is released; read by the sender after.
    LRESULT result = 0;
    bool cancelled = false;
    std::atomic<bool> done{false};

    // Hands the result to the sender and wakes it.
    void complete(LRESULT value);
    // The window or its owner thread is gone: the sender returns 0 at once.
    void cancel();
};

// Runs every sent message queued for the calling thread's windows (their procedures are called
// with no lock held) and returns how many it handled.
std::size_t deliverSentMessages(ThreadMessageQueue& queue);

}  // namespace zeph::platform
