#include "support/platform/Event.h"

#include "support/platform/LastError.h"
#include "support/platform/WaitRegistry.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace zeph::platform {

// All fields are guarded by WaitRegistry::lock().
struct Event::Private {
    bool manualReset;
    bool signalled;
    int descriptor = -1;              // eventfd made by pollDescriptor, readable exactly while signalled
    bool descriptorReadable = false;  // its counter is non-zero

    // Brings the descriptor in step with the state.
    void syncDescriptor() {
        if (descriptor < 0 || descriptorReadable == signalled) {
            return;
        }
        std::uint64_t value = 1;
        // Neither call can fail: the counter is 0 before the write and non-zero before the read.
        const ssize_t done =
            signalled ? ::write(descriptor, &value, sizeof value) : ::read(descriptor, &value, sizeof value);
        descriptorReadable = signalled && done == sizeof value;
    }
};

Event::Event(bool manualReset, bool initiallySignalled)
    : d_(std::make_unique<Private>(Private{manualReset, initiallySignalled})) {}

Event::~Event() {
    if (d_->descriptor >= 0) {
        ::close(d_->descriptor);
    }
}

std::shared_ptr<Event> Event::create(bool manualReset, bool initiallySignalled) {
    return std::shared_ptr<Event>(new Event(manualReset, initiallySignalled));
}

bool Event::set() {
    std::lock_guard guard(WaitRegistry::lock());
    d_->signalled = true;
    WaitRegistry::signalled(*this);
    d_->syncDescriptor();
    return true;
}

bool Event::reset() {
    std::lock_guard guard(WaitRegistry::lock());
    d_->signalled = false;
    d_->syncDescriptor();
    return true;
}

int Event::pollDescriptor() {
    std::lock_guard guard(WaitRegistry::lock());
    if (d_->descriptor < 0) {
        d_->descriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (d_->descriptor < 0) {
            setLastErrorFromErrno(errno);
            return -1;
        }
        d_->syncDescriptor();
    }
    return d_->descriptor;
}

bool Event::isSignalledFor(const WaitingThread&) const {
    return d_->signalled;
}

bool Event::acquireFor(const WaitingThread&) {
    if (!d_->manualReset) {
        d_->signalled = false;
        d_->syncDescriptor();
    }
    return false;
}

}  // namespace zeph::platform
