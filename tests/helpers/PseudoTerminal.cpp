#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

namespace quorvex::test {

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    slaveName_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    closeMaster();
    ::close(slave_);
}

void PseudoTerminal::send(std::string_view bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        ASSERT_GT(written, 0) << "write to the pty master failed, errno " << errno;
        done += static_cast<std::size_t>(written);
    }
}

void PseudoTerminal::send(const std::vector<std::uint8_t>& bytes) const {
    send(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> PseudoTerminal::receive(std::size_t count,
                                                  std::chrono::milliseconds timeout) const {
    std::vector<std::uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{master_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::uint8_t buffer[4096];
        const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

std::size_t PseudoTerminal::inputQueued() const {
    int queued = 0;
    return ioctl(slave_, FIONREAD, &queued) == 0 ? static_cast<std::size_t>(queued) : 0;
}

std::wstring TemporaryPortDirectory::add(const PseudoTerminal& pty) {
    int number = 0;
    EXPECT_EQ(directory_.addLink(pty.slaveName(), number), 0u);
    return L"\\\\.\\COM" + std::to_wstring(number);
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace quorvex::test
