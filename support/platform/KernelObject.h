#pragma once

#include <memory>
#include <vector>

namespace zeph::platform {

class WaitRegistry;
struct WaitBlock;
struct WaitingThread;

// A waitable kernel object: an event, a mutex or a thread. Objects are shared through
// Handle; "closing a handle" is dropping it. The wait functions are the only way to block
// on one, and they block without polling.
class KernelObject {
public:
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject();

protected:
    KernelObject() = default;

private:
    friend class WaitRegistry;
    // Implementation hooks for the wait machinery; called with the wait machinery's lock held,
    // for the thread the wait is for (a mutex is signalled for its owner, and taken by a thread
    // that may not be the one completing the wait).
    virtual bool isSignalledFor(const WaitingThread& thread) const = 0;
    // Takes the object for a satisfied wait (an auto-reset event resets, a mutex gets an owner).
    // Returns true when the acquisition reports the object as abandoned.
    virtual bool acquireFor(const WaitingThread& thread) = 0;

    // The waits blocked on this object, oldest first; guarded by the wait machinery's lock.
    std::vector<WaitBlock*> waiters_;
};

using Handle = std::shared_ptr<KernelObject>;

}  // namespace zeph::platform
