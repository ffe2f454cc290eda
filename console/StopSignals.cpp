#include "console/StopSignals.h"

#include "support/program/StopSignalSet.h"

#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>
#include <stdexcept>

namespace quorvex::console {

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    signalFd_ = quorvex::program::StopSignalSet::openDescriptor(SFD_NONBLOCK);
    if (signalFd_ < 0) {
        throw std::runtime_error("the stop signals cannot be watched");
    }
    notifier_ = new QSocketNotifier(signalFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        onStop_();
    });
}

StopSignals::~StopSignals() {
    delete notifier_;
    ::close(signalFd_);
}

}  // namespace quorvex::console
