#pragma once

#include "controlroom/LinkSettings.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct mosquitto;

namespace quorvex::link {

// What the broker said since the last look.
struct MqttEvents {
    std::optional<int> connack;     // the broker's answer to our connection (0: accepted)
    std::vector<int> acknowledged;  // message ids the broker acknowledged (PUBACK)
    std::string tlsError;           // what TLS refused, for the operator
};

// One connection to the broker through libmosquitto, driven by the calling thread only (no
// thread of the library's): connect, then loop, publish and read what happened. A new session
// per attempt, so nothing of a lost connection is resent behind our back.
class MqttSession {
public:
    // The will, when a topic is given: "offline", retained, once the broker loses us.
    MqttSession(const LinkSettings& settings, const std::string& willTopic);
    ~MqttSession();
    MqttSession(const MqttSession&) = delete;
    MqttSession& operator=(const MqttSession&) = delete;

    // Opens the connection and sends CONNECT; "" or why it failed. May wait on the network.
    std::string start();
    // Waits up to the time for the network and handles it; "" or why the connection is gone.
    std::string loop(std::chrono::milliseconds wait);
    // QoS 1; the message id, or nothing when the library refused it.
    std::optional<int> publish(const std::string& topic, std::string_view payload, bool retain);
    // Says goodbye (DISCONNECT): the broker then keeps the will to itself.
    void stop();
    MqttEvents take();

private:
    std::string failure(int code) const;
    std::string setUp(const std::string& willTopic);

    const LinkSettings& settings_;
    mosquitto* client_ = nullptr;
    std::string setUpError_;
    MqttEvents events_;
};

}  // namespace quorvex::link
