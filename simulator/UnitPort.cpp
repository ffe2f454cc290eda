#include "simulator/UnitPort.h"

#include "support/platform/LastError.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace quorvex::simulator {

namespace {

using zeph::platform::DWORD;

DWORD lastErrno() {
    return zeph::platform::win32FromErrno(errno);
}

bool makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B115200);
    cfsetospeed(&settings, B115200);
    settings.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool makeNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

UnitPort::~UnitPort() {
    close();
}

DWORD UnitPort::openPseudoTerminal() {
    if (isOpen()) {
        return zeph::platform::ERROR_ALREADY_INITIALIZED;
    }
    char name[256] = {};
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        return lastErrno();
    }
    // Raw from the start: a line in cooked mode would echo the unit's bytes back to it.
    if (!makeRaw(slave) || !makeNonBlocking(master) || fcntl(master, F_SETFD, FD_CLOEXEC) != 0 ||
        fcntl(slave, F_SETFD, FD_CLOEXEC) != 0) {
        const DWORD error = lastErrno();
        ::close(master);
        ::close(slave);
        return error;
    }
    fd_ = master;
    farSide_ = slave;
    name_ = name;
    return zeph::platform::ERROR_SUCCESS;
}

DWORD UnitPort::openDevice(const std::string& path) {
    if (isOpen()) {
        return zeph::platform::ERROR_ALREADY_INITIALIZED;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return lastErrno();
    }
    if (!makeRaw(fd)) {
        const DWORD error = errno == ENOTTY ? zeph::platform::ERROR_INVALID_HANDLE : lastErrno();
        ::close(fd);
        return error;
    }
    fd_ = fd;
    name_ = path;
    return zeph::platform::ERROR_SUCCESS;
}

bool UnitPort::read(Bytes& into) {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            into.insert(into.end(), buffer, buffer + got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void UnitPort::queue(Bytes bytes, std::chrono::milliseconds pausePerByte) {
    if (isOpen() && !bytes.empty()) {
        output_.push_back(Chunk{std::move(bytes), 0, pausePerByte});
    }
}

std::optional<Clock::time_point> UnitPort::nextWriteTime(Clock::time_point now) const {
    if (hasOutput() && nextWrite_ > now) {
        return nextWrite_;
    }
    return std::nullopt;
}

bool UnitPort::flush(Clock::time_point now) {
    while (!output_.empty() && now >= nextWrite_) {
        Chunk& chunk = output_.front();
        const bool trickled = chunk.pause.count() > 0;
        const std::size_t size = trickled ? 1 : chunk.bytes.size() - chunk.written;
        const ssize_t done = ::write(fd_, chunk.bytes.data() + chunk.written, size);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        chunk.written += static_cast<std::size_t>(done);
        if (trickled) {
            nextWrite_ = now + chunk.pause;
        }
        if (chunk.written == chunk.bytes.size()) {
            output_.pop_front();
        }
    }
    return true;
}

void UnitPort::close() {
    output_.clear();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (farSide_ >= 0) {
        ::close(farSide_);
        farSide_ = -1;
    }
}

}  // namespace quorvex::simulator
