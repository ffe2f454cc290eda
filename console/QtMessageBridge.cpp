#include "console/QtMessageBridge.h"

#include "support/platform/MessageQueue.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>
#include <cstdint>
#include <stdexcept>

namespace quorvex::console {

QtMessageBridge::QtMessageBridge() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeFd_ < 0) {
        throw std::runtime_error("the window thread's wake descriptor cannot be made");
    }
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QtMessageBridge::drain);
    const int fd = wakeFd_;
    zeph::platform::setMessageWakeHook([fd] {
        const std::uint64_t one = 1;
        // A full counter already wakes the notifier, so a failed write loses nothing.
        [[maybe_unused]] const auto written = ::write(fd, &one, sizeof one);
    });
    // What was posted before the hook was there.
    zeph::platform::pumpMessages();
}

QtMessageBridge::~QtMessageBridge() {
    // Waits for hook calls in progress, so the descriptor is not written after it is closed.
    zeph::platform::setMessageWakeHook({});
    delete notifier_;
    ::close(wakeFd_);
}

void QtMessageBridge::drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd_, &count, sizeof count);
    zeph::platform::pumpMessages();
}

}  // namespace quorvex::console
