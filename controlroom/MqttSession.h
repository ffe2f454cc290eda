#pragma once

#include "controlroom/LinkSettings.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct mosquitto;

namespace quorvex::link {

// The broker's PUBACK: a reason of 0x80 or above says it did not take the message.
struct MqttAck {
    int messageId = 0;
    int reason = 0;
};

// A message of a topic we subscribed to.
struct MqttReceived {
    std::string topic;
    std::string payload;
};

// What the broker said since the last look.
struct MqttEvents {
    std::optional<int> connack;          // the broker's answer to our connection (0: accepted)
    std::vector<MqttAck> acknowledged;   // in the order they came
    std::vector<MqttReceived> received;  // in the order they came
    std::optional<int> subscribed;       // the broker's answer to a subscription (0x80 on: refused)
    std::string tlsError;                // what TLS refused, for the operator
};

// One publish: the message id, or why the library refused it.
struct MqttPublish {
    std::optional<int> messageId;
    std::string refusal;
    bool connectionLost = false;  // the refusal is the connection's, not the message's
};

// One MQTT 5 connection to the broker through libmosquitto, driven by the calling thread only (no
// thread of the library's): connect, then loop, publish and read what happened. A new session
// per attempt, so nothing of a lost connection is resent behind our back, unless the broker is
// asked to keep it.
class MqttSession {
public:
    // The will, when a topic is given: "offline", retained, once the broker loses us. With a time
    // to keep the session, the broker holds our subscriptions and their QoS 1 messages that long
    // after we left (clean start off, the expiry sent with the CONNECT), for the same client id.
    MqttSession(const LinkSettings& settings, const std::string& willTopic,
                std::chrono::seconds keepSession = std::chrono::seconds(0));
    ~MqttSession();
    MqttSession(const MqttSession&) = delete;
    MqttSession& operator=(const MqttSession&) = delete;

    // Opens the connection and sends CONNECT; "" or why it failed. May wait on the network.
    std::string start();
    // Waits up to the time for the network and handles it; "" or why the connection is gone.
    std::string loop(std::chrono::milliseconds wait);
    // QoS 1.
    MqttPublish publish(const std::string& topic, std::string_view payload, bool retain);
    // QoS 1, once the broker accepted us; "" or why the library refused it.
    std::string subscribe(const std::string& filter);
    // Says goodbye (DISCONNECT): the broker then keeps the will to itself.
    void stop();
    MqttEvents take();

private:
    std::string failure(int code) const;
    std::string setUp(const std::string& willTopic);
    std::string setUpTls();

    // What the library's callbacks reach: the events and the settings (for a key's pass phrase).
    struct Mailbox {
        MqttEvents events;
        const LinkSettings* settings = nullptr;
    };

    const LinkSettings& settings_;
    std::chrono::seconds keepSession_;
    mosquitto* client_ = nullptr;
    std::string setUpError_;
    Mailbox mailbox_;
    bool accepted_ = false;  // the broker answered our CONNECT
};

}  // namespace quorvex::link
