#include "tests/helpers/mqtt/MqttBroker.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace quorvex::test {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool accepts(int port) {
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool connected =
        ::connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socketFd);
    return connected;
}

// mosquitto started by root changes to this user (else to "mosquitto", who cannot write our folder).
std::string userName() {
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr ? user->pw_name : "root";
}

}  // namespace

int freePort() {
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

void runShell(const std::string& command) {
    ASSERT_EQ(0, std::system(command.c_str())) << command;
}

MqttBroker::MqttBroker(std::filesystem::path folder, const std::string& settings)
    : folder_(std::move(folder)), port_(freePort()) {
    std::ofstream(folder_ / "mosquitto.conf")
        << "listener " << port_ << " 127.0.0.1\n"
        << settings << "user " << userName() << "\npersistence true\npersistence_location "
        << folder_.string() << "/\n"
        << "log_type all\nlog_dest file " << (folder_ / "mosquitto.log").string() << "\n";
    start();
}

MqttBroker::~MqttBroker() {
    stop();
}

void MqttBroker::start() {
    const std::string config = (folder_ / "mosquitto.conf").string();
    const std::string output = (folder_ / "mosquitto.out").string();
    pid_ = ::fork();
    if (pid_ == 0) {
        const int outputFd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(outputFd, STDOUT_FILENO);
        ::dup2(outputFd, STDERR_FILENO);
        ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!accepts(port_) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(accepts(port_)) << "mosquitto did not start on port " << port_;
}

void MqttBroker::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

std::string MqttBroker::url(const std::string& prefix) const {
    return "mqtt://127.0.0.1:" + std::to_string(port_) + "/" + prefix;
}

}  // namespace quorvex::test
