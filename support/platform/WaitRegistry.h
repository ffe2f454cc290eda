#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/KernelObject.h"
#include "support/platform/Thread.h"

#include <mutex>
#include <span>

namespace zeph::platform {

struct OwnedMutexes;

// The thread a wait is for. A mutex taken for it is owned by it, whichever thread completes
// the wait, and is recorded in its list of owned mutexes (abandoned when it ends).
struct WaitingThread {
    ThreadId id;
    OwnedMutexes* owned;
};

// The calling thread as a wait knows it (defined with the mutexes, which own the record).
WaitingThread currentWaitingThread();

// The wait machinery: one process-wide lock for the state of every kernel object, and one
// condition variable per blocked wait, registered on each of its objects. Whoever changes an
// object to signalled completes the waits it satisfies there and then, so a manual-reset event
// that is set and reset at once still releases every thread that was waiting on it.
class WaitRegistry {
public:
    // Guards the state of every kernel object and every registered wait.
    static std::mutex& lock();

    // Called with lock() held after object became signalled (or may have): completes, oldest
    // first, every registered wait that the objects' states now satisfy.
    static void signalled(KernelObject& object);

    // Blocks until the wait is satisfied or the time-out passes. The caller keeps the objects
    // alive; they are not null and at most MAXIMUM_WAIT_OBJECTS.
    static DWORD wait(std::span<KernelObject* const> objects, bool waitAll, DWORD timeoutMs);

    // How many waits are blocked on object; lets a test know its waiters are in place.
    static std::size_t waitingOn(const KernelObject& object);

private:
    static bool trySatisfy(WaitBlock& block);
    static void unregister(WaitBlock& block);
};

}  // namespace zeph::platform
