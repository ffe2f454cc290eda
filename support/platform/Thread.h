#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/KernelObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace zeph::platform {

using ThreadId = std::uint32_t;

// The kernel's id of the calling thread (gettid); never 0.
ThreadId currentThreadId();

// Sleeps the calling thread for the given milliseconds.
void sleep(DWORD milliseconds);

// Windows thread priorities; the value asked for is kept and reported back even when the OS
// refuses to raise a thread without privileges.
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// An operating-system thread as a waitable handle: signalled once its body has returned.
// Dropping the last handle of a running thread abandons it (it is detached and runs on,
// keeping alive what its body holds) - a thread is never killed.
class Thread final : public KernelObject {
public:
    // Starts body on a new thread. Returns null with the last error set when the OS refuses.
    static std::shared_ptr<Thread> start(std::function<DWORD()> body);

    ThreadId id() const;

    // Gives the thread its name as the OS shows it (cut to 15 bytes).
    bool setName(std::string_view name);

    bool setPriority(int priority);
    int priority() const;

    // STILL_ACTIVE while the body runs, then its result.
    DWORD exitCode() const;

    // Suspension is a counter that the thread honours at its safe points (waitWhileSuspended).
    // Both return the previous count, as SuspendThread/ResumeThread do (suspend gives -1 with
    // ERROR_SIGNAL_REFUSED past MAXIMUM_SUSPEND_COUNT).
    int suspend();
    int resume();
    // Called by the thread itself: blocks while the suspend count is above zero.
    void waitWhileSuspended();

    ~Thread() override;

private:
    struct Private;
    Thread();
    struct Start;
    static void* run(void* start);
    bool isSignalledFor(const WaitingThread& thread) const override;
    bool acquireFor(const WaitingThread& thread) override;
    std::shared_ptr<Private> d_;  // shared with the running thread, which may outlive this object
};

}  // namespace zeph::platform
