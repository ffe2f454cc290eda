#include "tests/discovery/QtTestSupport.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

namespace quorvex::test {

namespace {

// The window thread as the console runs it: a Qt application whose event loop also drains the
// platform's message queue of this thread. Workers only write to an eventfd; Qt reads it here.
class QtTestEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_discovery";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        zeph::windows::logging::LogBeacon::instance();
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        notifier_ = std::make_unique<QSocketNotifier>(wake_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            std::uint64_t count = 0;
            while (read(wake_, &count, sizeof count) > 0) {
            }
            zeph::platform::pumpMessages();
        });
        const int fd = wake_;
        zeph::platform::setMessageWakeHook([fd] {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
        });
    }

    void TearDown() override {
        zeph::platform::setMessageWakeHook({});
        notifier_.reset();
        close(wake_);
        zeph::platform::pumpMessages();
        application_.reset();
    }

private:
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int wake_ = -1;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeout);
    // Some conditions change on other threads without an event: look again now and then.
    QTimer recheck;
    recheck.start(std::chrono::milliseconds(10));
    while (!condition()) {
        if (!deadline.isActive()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void runEventsFor(std::chrono::milliseconds time) {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(time);
    while (deadline.isActive()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace quorvex::test
