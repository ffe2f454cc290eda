#pragma once

#include <filesystem>
#include <string>

namespace quorvex::test {

// Debian's mosquitto as a plain child process on a free port of 127.0.0.1, with a configuration
// file of the test's own, keeping its sessions through a restart. Stopped (and started again on the same
// port) at the test's will.
class MqttBroker {
public:
    // Lines added to the listener's configuration (TLS files, a password file); anonymous
    // clients are let in unless they say otherwise.
    MqttBroker(std::filesystem::path folder, const std::string& settings = "allow_anonymous true\n");
    ~MqttBroker();
    MqttBroker(const MqttBroker&) = delete;
    MqttBroker& operator=(const MqttBroker&) = delete;

    // Starts the broker and waits (bounded) until it takes connections.
    void start();
    void stop();
    int port() const { return port_; }
    std::string url(const std::string& prefix = "quorvex") const;

private:
    std::filesystem::path folder_;
    int port_;
    int pid_ = -1;
};

// A port no one listens on now.
int freePort();

// Runs a shell command; fails the test when it fails.
void runShell(const std::string& command);

}  // namespace quorvex::test
