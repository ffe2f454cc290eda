#include "support/platform/WaitRegistry.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <vector>

namespace zeph::platform {

// One blocked wait; lives on the waiting thread's stack while it is registered.
struct WaitBlock {
    WaitBlock(std::span<KernelObject* const> list, bool all, WaitingThread forThread)
        : objects(list), waitAll(all), thread(forThread) {}

    std::span<KernelObject* const> objects;
    bool waitAll;
    WaitingThread thread;
    bool done = false;  // set, with result, by whoever completes the wait
    DWORD result = WAIT_TIMEOUT;
    std::condition_variable wake;  //!< Signals done
};

std::mutex& WaitRegistry::lock() {
    // Never destroyed: threads and objects may still wait or signal while statics go away.
    static auto* const instance = new std::mutex;
    return *instance;
}

bool WaitRegistry::trySatisfy(WaitBlock& block) {
    const auto& objects = block.objects;
    if (!block.waitAll) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->isSignalledFor(block.thread)) {
                const bool abandoned = objects[i]->acquireFor(block.thread);
                block.result = (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + static_cast<DWORD>(i);
                block.done = true;
                return true;
            }
        }
        return false;
    }
    const bool allSignalled = std::all_of(objects.begin(), objects.end(), [&](const KernelObject* o) {
        return o->isSignalledFor(block.thread);
    });
    if (!allSignalled) {
        return false;
    }
    block.result = WAIT_OBJECT_0;
    bool anyAbandoned = false;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->acquireFor(block.thread) && !anyAbandoned) {
            anyAbandoned = true;
            block.result = WAIT_ABANDONED_0 + static_cast<DWORD>(i);
        }
    }
    block.done = true;
    return true;
}

void WaitRegistry::unregister(WaitBlock& block) {
    for (KernelObject* object : block.objects) {
        std::erase(object->waiters_, &block);
    }
}

void WaitRegistry::signalled(KernelObject& object) {
    if (object.waiters_.empty()) {
        return;
    }
    // Completing a wait edits the lists; a wait-any may list the object twice.
    const std::vector<WaitBlock*> waiting = object.waiters_;
    for (WaitBlock* block : waiting) {
        if (block->done || !trySatisfy(*block)) {
            continue;
        }
        unregister(*block);
        block->wake.notify_one();
    }
}

std::size_t WaitRegistry::waitingOn(const KernelObject& object) {
    std::lock_guard guard(lock());
    return object.waiters_.size();
}

DWORD WaitRegistry::wait(std::span<KernelObject* const> objects, bool waitAll, DWORD timeoutMs) {
    WaitBlock block(objects, waitAll, currentWaitingThread());
    std::unique_lock guard(lock());
    if (trySatisfy(block) || timeoutMs == 0) {
        return block.result;
    }
    for (KernelObject* object : objects) {
        object->waiters_.push_back(&block);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!block.done) {
        if (timeoutMs == INFINITE) {
            block.wake.wait(guard);
        } else if (block.wake.wait_until(guard, deadline) == std::cv_status::timeout) {
            break;
        }
    }
    if (!block.done) {
        unregister(block);
    }
    return block.result;
}

}  // namespace zeph::platform
