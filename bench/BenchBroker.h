#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace quorvex::bench {

inline int freePort() {
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

// mosquitto as a child process, for the run's length.
class Broker {
public:
    // With sessions kept through a restart and no limit on what waits for a subscriber.
    explicit Broker(const std::filesystem::path& folder, int port = freePort()) : port_(port) {
        const auto config = folder / "mosquitto.conf";
        std::ofstream(config) << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\nuser root\n"
                              << "persistence true\npersistence_location " << folder.string()
                              << "/\nmax_queued_messages 0\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::freopen("/dev/null", "w", stderr);
            ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ~Broker() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    int port() const { return port_; }

private:
    int port_;
    int pid_;
};

}  // namespace quorvex::bench
