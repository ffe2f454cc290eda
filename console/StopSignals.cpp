#include "console/StopSignals.h"

#include "cli/InputReader.h"

#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>
#include <stdexcept>

namespace quorvex::console {

void StopSignals::block() {
    quorvex::cli::InputReader::blockStopSignals();
}

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    // The signals block() held back are the ones to watch.
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    signalFd_ = ::signalfd(-1, &blocked, SFD_NONBLOCK | SFD_CLOEXEC);
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
