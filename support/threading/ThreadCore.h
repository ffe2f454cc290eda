#pragma once

#include "support/threading/IThread.h"
#include "support/threading/NonCopyable.h"

#include <array>
#include <atomic>
#include <mutex>
#include <string>

namespace zeph::windows::system::threading {

struct ThreadStartup;

// One life of a worker: the worker (in the derived ThreadCoreOf<T>) and everything its thread
// touches. It is shared between its ThreadImpl and the running thread, so a thread that outlives
// its owner (abandoned at shutdown, or left running at destruction) never touches freed memory.
class ThreadCore : public IThread,
                   public std::enable_shared_from_this<ThreadCore>,
                   private memory::NonCopyable {
public:
    enum class Stop { NoThread, Ended, Abandoned };

    // qualifiedName: the thread object's class as the log contexts spell it.
    explicit ThreadCore(std::string qualifiedName);

    std::shared_ptr<platform::Thread> getHandle() const override;
    DWORD getThreadId() const override;
    const ThreadState& getState() const override;
    DWORD getPriority(int& priority) const override;
    std::int32_t getExitCode() const override;
    int setPriority(int priority) override;
    int suspend() override;
    int resume() override;
    void setState(const ThreadState& state) override;
    void setExitCode(std::int32_t code) override;
    void cleanup() override;
    DWORD create(const char* name, void* parameter, DWORD flags, unsigned stackSize,
                 const SECURITY_ATTRIBUTES* security) override;
    bool shutdown(DWORD timeoutMs) override;

    // shutdown, telling whether the thread ended or had to be abandoned. An abandoned thread
    // keeps this object (and its worker) until it ends; its owner should take a fresh one.
    Stop stop(DWORD timeoutMs);
    // The owner lets go: a live thread is resumed and told to stop, without waiting for it.
    void release();

private:
    std::string context(const char* name, const char* operation) const;
    std::string storedName() const;
    DWORD failStart(const std::string& context, const wchar_t* message);
    // Waits for initThread on the new thread, then lets it go on (or holds it suspended).
    DWORD finishStart(const std::string& context, ThreadStartup& startup,
                      const std::shared_ptr<platform::Thread>& handle);
    DWORD failInit(const std::string& context, const std::shared_ptr<platform::Thread>& handle);
    void publish(const std::shared_ptr<platform::Thread>& handle, const char* name);
    void resumeFully(platform::Thread& handle);

    const std::string qualifiedName_;

    std::mutex operationMutex_;       //!< serialises create, shutdown and release
    mutable std::mutex fieldsMutex_;  //!< guards handle_, threadId_ and name_ (owner and thread both write)
    std::shared_ptr<platform::Thread> handle_;
    DWORD threadId_ = 0;
    std::array<char, MAX_PATH> name_{};
    std::atomic<const ThreadState*> state_{&ThreadState::Stopped};
    std::atomic<std::int32_t> exitCode_{0};
};

}  // namespace zeph::windows::system::threading
