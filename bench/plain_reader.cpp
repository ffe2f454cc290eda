// quorvex-plain-reader: the floor of the end-to-end figures. It takes the unit's stream as the
// client does at the link level (asks for the Initialization Message, starts the stream, answers
// every frame with an acknowledgement) and does nothing else: no decoding, no log, no output.
//   quorvex-plain-reader <tty>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint8_t kSoh = 0x01;
constexpr std::size_t kHeader = 4;  // SOH, checksum, two length bytes (low first)
constexpr std::string_view kAck = "\x06\n";

void send(int fd, std::string_view bytes) {
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror("quorvex-plain-reader: write");
    }
}

// Bytes in, one acknowledgement out per whole frame; wake bytes and noise before a SOH skipped.
class FrameCounter {
public:
    int take(const std::uint8_t* bytes, std::size_t count) {
        buffer_.insert(buffer_.end(), bytes, bytes + count);
        int frames = 0;
        std::size_t at = 0;
        for (;;) {
            while (at < buffer_.size() && buffer_[at] != kSoh) {
                ++at;
            }
            if (buffer_.size() - at < kHeader) {
                break;
            }
            const std::size_t length = buffer_[at + 2] | std::size_t{buffer_[at + 3]} << 8;
            if (buffer_.size() - at < kHeader + length + 1) {
                break;
            }
            at += kHeader + length + 1;
            ++frames;
        }
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at));
        return frames;
    }

private:
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvex-plain-reader <tty>\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror("quorvex-plain-reader: open");
        return 1;
    }
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B115200);
    ::tcsetattr(fd, TCSANOW, &settings);

    send(fd, "REQINIT\n");
    const auto startAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    bool started = false;
    FrameCounter frames;
    std::uint8_t bytes[4096];
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 100) < 0 || (wait.revents & (POLLHUP | POLLERR)) != 0) {
            return 0;
        }
        if (!started && std::chrono::steady_clock::now() >= startAt) {
            send(fd, "START\n");
            started = true;
        }
        if ((wait.revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t count = ::read(fd, bytes, sizeof bytes);
        if (count <= 0) {
            return 0;
        }
        for (int n = frames.take(bytes, static_cast<std::size_t>(count)); n > 0; --n) {
            send(fd, kAck);
        }
    }
}
