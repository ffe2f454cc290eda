#pragma once

#include "support/platform/KernelObject.h"

#include <memory>

namespace zeph::platform {

// A Win32 event. Setting a manual-reset event releases every thread waiting on it at that
// moment, even when it is reset right after; setting an auto-reset event releases exactly one
// waiter, or stays set until one comes.
class Event final : public KernelObject {
public:
    static std::shared_ptr<Event> create(bool manualReset, bool initiallySignalled);

    bool set();
    bool reset();

    // A descriptor that polls readable while the event is signalled, so that a wait on a
    // file descriptor (a serial port) can also wake on this event. Created on first use.
    // A poll() wake-up is only a hint for an auto-reset event: take it with a wait of 0 ms.
    int pollDescriptor();

    ~Event() override;

private:
    struct Private;
    explicit Event(bool manualReset, bool initiallySignalled);
    bool isSignalledFor(const WaitingThread& thread) const override;
    bool acquireFor(const WaitingThread& thread) override;
    std::unique_ptr<Private> d_;
};

}  // namespace zeph::platform
