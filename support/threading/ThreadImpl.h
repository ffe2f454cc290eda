#pragma once

#include "support/platform/TypeName.h"
#include "support/threading/ThreadCore.h"

#include <memory>
#include <mutex>
#include <type_traits>

namespace zeph::windows::system::threading {

// A ThreadCore with its worker.
template <typename T>
class ThreadCoreOf final : public ThreadCore {
public:
    using ThreadCore::ThreadCore;
    IBasicThreadAdapter& getAdapter() override { return worker_; }
    T& worker() { return worker_; }

private:
    T worker_;
};

// Runs a worker of class T on its own thread: create starts it and returns once its initThread
// has run there; shutdown tells it to stop and waits for it. A thread that does not end in time is
// abandoned, never killed: this object lets go of it and takes a fresh worker, while the thread
// keeps the old worker (and everything of its thread object) alive until it ends. Destroying this
// object with its thread still running resumes it and tells it to stop, without waiting.
template <typename T>
class ThreadImpl final : public IThread, private memory::NonCopyable {
    static_assert(std::is_base_of_v<IBasicThreadAdapter, T>, "a worker implements IBasicThreadAdapter");
    static_assert(std::is_default_constructible_v<T>, "a worker gets its parameters through initThread");

public:
    ThreadImpl() : core_(freshCore()) {}
    ~ThreadImpl() override { current()->release(); }

    IBasicThreadAdapter& getAdapter() override { return current()->getAdapter(); }
    // The worker of the current thread (of the next one while none runs).
    T& getWorker() { return current()->worker(); }
    std::shared_ptr<platform::Thread> getHandle() const override { return current()->getHandle(); }
    DWORD getThreadId() const override { return current()->getThreadId(); }
    const ThreadState& getState() const override { return current()->getState(); }
    DWORD getPriority(int& priority) const override { return current()->getPriority(priority); }
    std::int32_t getExitCode() const override { return current()->getExitCode(); }
    int setPriority(int priority) override { return current()->setPriority(priority); }
    int suspend() override { return current()->suspend(); }
    int resume() override { return current()->resume(); }
    void setState(const ThreadState& state) override { current()->setState(state); }
    void setExitCode(std::int32_t code) override { current()->setExitCode(code); }
    void cleanup() override { current()->cleanup(); }

    DWORD create(const char* name, void* parameter, DWORD flags, unsigned stackSize,
                 const SECURITY_ATTRIBUTES* security) override {
        const std::lock_guard operation(operationMutex_);
        return current()->create(name, parameter, flags, stackSize, security);
    }

    bool shutdown(DWORD timeoutMs) override {
        const std::lock_guard operation(operationMutex_);
        const auto stopped = current()->stop(timeoutMs);
        if (stopped == ThreadCore::Stop::Abandoned) {
            const auto fresh = freshCore();
            const std::lock_guard guard(coreMutex_);
            core_ = fresh;
        }
        return stopped != ThreadCore::Stop::NoThread;
    }

private:
    static std::shared_ptr<ThreadCoreOf<T>> freshCore() {
        return std::make_shared<ThreadCoreOf<T>>(platform::windowsClassName<ThreadImpl>());
    }

    std::shared_ptr<ThreadCoreOf<T>> current() const {
        const std::lock_guard guard(coreMutex_);
        return core_;
    }

    std::mutex operationMutex_;     //!< serialises create and shutdown with the swap of an abandoned core
    mutable std::mutex coreMutex_;  //!< guards core_, replaced after an abandonment
    std::shared_ptr<ThreadCoreOf<T>> core_;
};

}  // namespace zeph::windows::system::threading
