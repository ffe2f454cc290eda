#pragma once

#include <memory>

namespace zeph::platform {

class WaitRegistry;

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
    // Implementation hooks for the wait machinery; called with the wait machinery's lock held.
    virtual bool isSignalled() const = 0;
    // Takes the object for a satisfied wait (an auto-reset event resets, a mutex gets an owner).
    // Returns true when the acquisition reports the object as abandoned.
    virtual bool acquire() = 0;
};

using Handle = std::shared_ptr<KernelObject>;

}  // namespace zeph::platform
