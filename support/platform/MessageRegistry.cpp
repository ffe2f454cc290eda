#include "support/platform/MessageRegistry.h"

#include <utility>

namespace zeph::platform {

namespace {

// Closes the thread's queue when the thread ends: posted messages are dropped (records carried
// in their lParam leak, as they do on Windows), waiting senders are released with 0 and the
// thread's windows are destroyed.
struct QueueOwner {
    std::shared_ptr<ThreadMessageQueue> queue;
    ~QueueOwner();
};

thread_local QueueOwner queueOwner;
// Trivially destructible, so still readable after queueOwner is gone during thread exit.
thread_local bool queueOwnerGone = false;

QueueOwner::~QueueOwner() {
    queueOwnerGone = true;
    if (!queue) {
        return;
    }
    // The procedures (and what they hold) are destroyed last, on this thread, outside every lock.
    auto procedures = MessageRegistry::instance().removeThread(queue->owner());
    for (const auto& sent : queue->close()) {
        sent->cancel();
    }
}

}  // namespace

MessageRegistry& MessageRegistry::instance() {
    // Never destroyed: threads that outlive main may still post or end.
    static auto* registry = new MessageRegistry;
    return *registry;
}

std::shared_ptr<ThreadMessageQueue> MessageRegistry::queueOf(ThreadId thread) const {
    std::lock_guard lock(mutex_);
    auto found = queues_.find(thread);
    return found == queues_.end() ? nullptr : found->second;
}

HWND MessageRegistry::addWindow(const std::shared_ptr<ThreadMessageQueue>& queue, WindowProc procedure) {
    HWND window = nullptr;
    {
        std::lock_guard lock(mutex_);
        window = reinterpret_cast<HWND>(nextHandle_++);
    }
    // The queue accepts sent messages for the window before anyone can learn its handle.
    queue->addWindow(window);
    std::lock_guard lock(mutex_);
    windows_.emplace(
        window, Window{{queue->owner(), queue}, std::make_shared<const WindowProc>(std::move(procedure))});
    return window;
}

std::optional<WindowTarget> MessageRegistry::target(HWND window) const {
    std::lock_guard lock(mutex_);
    auto found = windows_.find(window);
    if (found == windows_.end()) {
        return std::nullopt;
    }
    return found->second.target;
}

std::shared_ptr<const WindowProc> MessageRegistry::procedure(HWND window) const {
    std::lock_guard lock(mutex_);
    auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second.procedure;
}

std::shared_ptr<const WindowProc> MessageRegistry::removeWindow(HWND window) {
    std::lock_guard lock(mutex_);
    auto found = windows_.find(window);
    if (found == windows_.end()) {
        return nullptr;
    }
    auto procedure = std::move(found->second.procedure);
    windows_.erase(found);
    return procedure;
}

void MessageRegistry::addQueue(const std::shared_ptr<ThreadMessageQueue>& queue) {
    std::lock_guard lock(mutex_);
    queues_[queue->owner()] = queue;
}

std::vector<std::shared_ptr<const WindowProc>> MessageRegistry::removeThread(ThreadId thread) {
    std::vector<std::shared_ptr<const WindowProc>> procedures;
    std::lock_guard lock(mutex_);
    queues_.erase(thread);
    std::erase_if(windows_, [&](auto& entry) {
        if (entry.second.target.owner != thread) {
            return false;
        }
        procedures.push_back(std::move(entry.second.procedure));
        return true;
    });
    return procedures;
}

std::shared_ptr<ThreadMessageQueue> currentQueue() {
    if (queueOwnerGone) {
        return nullptr;
    }
    if (!queueOwner.queue) {
        queueOwner.queue = std::make_shared<ThreadMessageQueue>(currentThreadId());
        MessageRegistry::instance().addQueue(queueOwner.queue);
    }
    return queueOwner.queue;
}

std::shared_ptr<ThreadMessageQueue> existingQueue() {
    return queueOwnerGone ? nullptr : queueOwner.queue;
}

}  // namespace zeph::platform
