#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace quorvex::simulator::test {

ConsoleEnd::ConsoleEnd(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    EXPECT_GE(fd_, 0) << "cannot open " << path << ", errno " << errno;
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
}

ConsoleEnd::~ConsoleEnd() {
    ::close(fd_);
}

void ConsoleEnd::sendLine(std::string_view text) const {
    std::string line(text);
    line.push_back('\n');
    ASSERT_EQ(::write(fd_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
}

void ConsoleEnd::reply(LinkReply reply) const {
    const auto bytes = reply == LinkReply::Acknowledge   ? std::span<const std::uint8_t>(ACKNOWLEDGE_BYTES)
                       : reply == LinkReply::NegativeAck ? std::span<const std::uint8_t>(NEGATIVE_ACK_BYTES)
                                                         : std::span<const std::uint8_t>(POLL_ACK_BYTES);
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

bool ConsoleEnd::fill(std::chrono::milliseconds timeout) {
    pollfd fd{fd_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(timeout.count())) <= 0 || (fd.revents & POLLIN) == 0) {
        return false;
    }
    std::uint8_t chunk[4096];
    const ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got <= 0) {
        return false;
    }
    buffer_.insert(buffer_.end(), chunk, chunk + got);
    return true;
}

std::optional<ConsoleEnd::Frame> ConsoleEnd::readFrame(std::uint16_t firmwareWord,
                                                       std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Frame frame;
        frame.verdict = FrameCodec::parse(buffer_, ConnectionState::Connected, firmwareWord);
        if (frame.verdict.result != zeph::platform::ERROR_MORE_DATA) {
            const bool accepted = frame.verdict.result == FRAME_ACCEPTED;
            const std::size_t taken = accepted ? frame.verdict.consumed : buffer_.size();
            frame.bytes.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(taken));
            if (accepted) {
                const auto payload =
                    buffer_.begin() + static_cast<std::ptrdiff_t>(frame.verdict.payloadOffset);
                frame.payload.assign(payload,
                                     payload + static_cast<std::ptrdiff_t>(frame.verdict.payloadLength));
            }
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(taken));
            return frame;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !fill(left)) {
            return std::nullopt;
        }
    }
}

std::optional<ConsoleEnd::Frame> ConsoleEnd::readEvent(std::uint16_t firmwareWord) {
    for (;;) {
        auto frame = readFrame(firmwareWord);
        if (!frame || frame->verdict.result != FRAME_ACCEPTED || frame->mask() != StreamingBit) {
            return frame;
        }
        reply(LinkReply::Acknowledge);
    }
}

Bytes ConsoleEnd::readBytes(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (buffer_.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !fill(left)) {
            break;
        }
    }
    const std::size_t taken = std::min(count, buffer_.size());
    Bytes bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(taken));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(taken));
    return bytes;
}

bool ConsoleEnd::hungUp(std::chrono::milliseconds timeout) const {
    pollfd fd{fd_, POLLIN, 0};
    return ::poll(&fd, 1, static_cast<int>(timeout.count())) > 0 && (fd.revents & POLLHUP) != 0;
}

Rig::Rig(UnitProfile profile) : unit(std::move(profile)) {
    EXPECT_EQ(unit.openPseudoTerminal(), 0u);
    console.emplace(unit.portName());
    EXPECT_EQ(unit.start(), 0u);
}

UnitProfile Rig::quietProfile() {
    UnitProfile profile;
    profile.batteryPeriod = std::chrono::milliseconds(0);
    profile.replyTimeout = std::chrono::milliseconds(200);
    return profile;
}

ConsoleEnd::Frame Rig::initialise() {
    console->sendLine("REQINIT");
    auto frame = console->readFrame();
    EXPECT_TRUE(frame.has_value());
    if (!frame) {
        return {};
    }
    EXPECT_EQ(frame->mask(), InitBit);
    console->reply(LinkReply::Acknowledge);
    EXPECT_TRUE(unit.waitUntil([](const UnitStatus& s) { return s.initialised; }, std::chrono::seconds(10)));
    return *frame;
}

ConsoleEnd::Frame Rig::ask(std::string_view command) {
    console->sendLine(command);
    auto frame = console->readEvent();
    EXPECT_TRUE(frame.has_value()) << "no answer to " << command;
    if (!frame) {
        return {};
    }
    EXPECT_EQ(frame->verdict.result, FRAME_ACCEPTED) << command;
    console->reply(LinkReply::Acknowledge);
    return *frame;
}

}  // namespace quorvex::simulator::test
