#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/Thread.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/ThreadState.h"

#include <cstdint>
#include <memory>

namespace zeph::windows::system::threading {

using platform::DWORD;

// Creation flag: the thread has run initThread when create returns but waits for resume before run.
inline constexpr DWORD CREATE_SUSPENDED = 0x4;
// Size of a thread object's name buffer, terminator included.
inline constexpr std::size_t MAX_PATH = 260;
// What getPriority reads when the priority cannot be read.
inline constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Security attributes of a new thread. Linux threads have none: callers pass null, and anything
// else is accepted and ignored.
struct SECURITY_ATTRIBUTES;

// A worker thread object: one operating-system thread at a time running one worker.
class IThread {
public:
    virtual IBasicThreadAdapter& getAdapter() = 0;
    // Null while no thread exists.
    virtual std::shared_ptr<platform::Thread> getHandle() const = 0;
    // The id while a thread exists, else 0.
    virtual DWORD getThreadId() const = 0;
    virtual const ThreadState& getState() const = 0;
    // 0 with the priority read, ERROR_INVALID_HANDLE without a thread, else the last error.
    virtual DWORD getPriority(int& priority) const = 0;
    virtual std::int32_t getExitCode() const = 0;
    // 1 on success, 0 on failure, ERROR_INVALID_HANDLE without a thread.
    virtual int setPriority(int priority) = 0;
    // The previous suspend count, or -1 without a thread (or on failure).
    virtual int suspend() = 0;
    virtual int resume() = 0;
    // Ignored while no thread exists.
    virtual void setState(const ThreadState& state) = 0;
    virtual void setExitCode(std::int32_t code) = 0;
    // Forgets the thread: no handle, id 0, empty name, "Stopped".
    virtual void cleanup() = 0;
    // 0 once the worker's initThread has succeeded on the new thread, else a Win32 code.
    // The stack size is the default whatever is asked: Linux threads size their stacks themselves.
    virtual DWORD create(const char* name, void* parameter, DWORD flags, unsigned stackSize,
                         const SECURITY_ATTRIBUTES* security) = 0;
    // False when there was no thread; otherwise true, also when the thread had to be abandoned.
    virtual bool shutdown(DWORD timeoutMs) = 0;

    virtual ~IThread() = default;
};

}  // namespace zeph::windows::system::threading
