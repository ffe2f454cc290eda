#include "support/platform/ThreadMessageQueue.h"

#include <algorithm>
#include <utility>

namespace zeph::platform {

namespace {

// How deep the calling thread is inside wake hooks: a hook that replaces hooks must not wait
// for its own call to end.
thread_local int hookDepth = 0;

}  // namespace

bool MessageFilter::matches(const MSG& msg) const {
    if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if ((min == 0 && max == 0) || msg.message == WM_QUIT) {
        return true;
    }
    return msg.message >= min && msg.message <= max;
}

DWORD ThreadMessageQueue::post(const MSG& msg) {
    std::unique_lock lock(mutex_);
    if (closed_) {
        return ERROR_INVALID_HANDLE;
    }
    // A poster faster than the owner must not grow the queue without bound.
    if (posted_.size() >= PostedLimit) {
        return ERROR_NOT_ENOUGH_QUOTA;
    }
    posted_.push_back({msg, nextSequence_++});
    auto hook = signalLocked();
    lock.unlock();
    callHook(hook);
    return ERROR_SUCCESS;
}

void ThreadMessageQueue::postQuit(int exitCode) {
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    quitPending_ = true;
    quitCode_ = exitCode;
    auto hook = signalLocked();
    lock.unlock();
    callHook(hook);
}

bool ThreadMessageQueue::enqueueSent(std::shared_ptr<SentMessage> sent) {
    std::unique_lock lock(mutex_);
    if (closed_ || !windows_.contains(sent->window)) {
        return false;
    }
    sent_.push_back(std::move(sent));
    auto hook = signalLocked();
    lock.unlock();
    callHook(hook);
    return true;
}

std::shared_ptr<SentMessage> ThreadMessageQueue::takeSent() {
    std::lock_guard lock(mutex_);
    if (sent_.empty()) {
        return nullptr;
    }
    auto sent = std::move(sent_.front());
    sent_.pop_front();
    return sent;
}

bool ThreadMessageQueue::peek(MSG& msg, const MessageFilter& filter, bool remove) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(posted_.begin(), posted_.end(),
                              [&](const Posted& posted) { return filter.matches(posted.msg); });
    if (found != posted_.end()) {
        msg = found->msg;
        if (remove) {
            posted_.erase(found);
        }
        return true;
    }
    // The quit flag belongs to the thread, not to a window.
    if (quitPending_ && filter.window == nullptr) {
        msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
        if (remove) {
            quitPending_ = false;
        }
        return true;
    }
    return false;
}

std::uint64_t ThreadMessageQueue::lastSequence() const {
    std::lock_guard lock(mutex_);
    return nextSequence_ - 1;
}

bool ThreadMessageQueue::takeForPump(MSG& msg, std::uint64_t upTo) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(posted_.begin(), posted_.end(), [&](const Posted& posted) {
        return posted.sequence <= upTo && posted.msg.message != WM_QUIT;
    });
    if (found == posted_.end()) {
        return false;
    }
    msg = found->msg;
    posted_.erase(found);
    return true;
}

std::uint64_t ThreadMessageQueue::changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

void ThreadMessageQueue::waitForChange(std::uint64_t seen) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return changes_ != seen; });
}

void ThreadMessageQueue::wake() {
    std::lock_guard lock(mutex_);
    ++changes_;
    changed_.notify_all();
}

void ThreadMessageQueue::addWindow(HWND window) {
    std::lock_guard lock(mutex_);
    windows_.insert(window);
}

bool ThreadMessageQueue::hasWindow(HWND window) const {
    std::lock_guard lock(mutex_);
    return windows_.contains(window);
}

std::vector<std::shared_ptr<SentMessage>> ThreadMessageQueue::removeWindow(HWND window) {
    std::lock_guard lock(mutex_);
    windows_.erase(window);
    std::vector<std::shared_ptr<SentMessage>> orphans;
    auto kept = std::stable_partition(sent_.begin(), sent_.end(),
                                      [&](const auto& sent) { return sent->window != window; });
    std::move(kept, sent_.end(), std::back_inserter(orphans));
    sent_.erase(kept, sent_.end());
    return orphans;
}

std::vector<std::shared_ptr<SentMessage>> ThreadMessageQueue::close() {
    std::deque<Posted> dropped;
    std::unique_lock lock(mutex_);
    closed_ = true;
    quitPending_ = false;
    windows_.clear();
    dropped.swap(posted_);
    std::vector<std::shared_ptr<SentMessage>> orphans(std::make_move_iterator(sent_.begin()),
                                                      std::make_move_iterator(sent_.end()));
    sent_.clear();
    waitForHookCallsLocked(lock, std::exchange(hook_, nullptr));
    return orphans;
}

void ThreadMessageQueue::setWakeHook(std::function<void()> hook) {
    auto replacement = hook ? std::make_shared<Hook>(Hook{std::move(hook)}) : nullptr;
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    waitForHookCallsLocked(lock, std::exchange(hook_, std::move(replacement)));
}

std::shared_ptr<ThreadMessageQueue::Hook> ThreadMessageQueue::signalLocked() {
    ++changes_;
    changed_.notify_all();
    if (hook_) {
        ++hook_->callsInProgress;
    }
    return hook_;
}

void ThreadMessageQueue::callHook(const std::shared_ptr<Hook>& hook) {
    if (!hook) {
        return;
    }
    // Ends the call's bookkeeping even when the hook throws, so close() cannot wait forever.
    struct CallInProgress {
        ThreadMessageQueue& queue;
        Hook& hook;
        ~CallInProgress() {
            --hookDepth;
            std::lock_guard lock(queue.mutex_);
            --hook.callsInProgress;
            queue.changed_.notify_all();
        }
    };
    ++hookDepth;
    CallInProgress guard{*this, *hook};
    hook->call();
}

void ThreadMessageQueue::waitForHookCallsLocked(std::unique_lock<std::mutex>& lock,
                                                const std::shared_ptr<Hook>& hook) {
    if (!hook || hookDepth > 0) {
        return;
    }
    changed_.wait(lock, [&] { return hook->callsInProgress == 0; });
}

}  // namespace zeph::platform
