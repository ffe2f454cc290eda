#pragma once

#include "controlroom/LinkUrl.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

struct mosquitto;

namespace quorvex::tracker {

// Called on the client's thread for each message: the topic below the prefix and the payload.
using Delivery = std::function<void(std::string_view topic, std::string_view payload)>;

// The tracker's MQTT 5 connection: a fixed client id and a session the broker keeps (clean start
// off, a week's expiry), so what units publish while the tracker is down reaches it when it
// returns. QoS 1 throughout; libmosquitto's own thread reconnects.
class BrokerClient {
public:
    BrokerClient(link::LinkUrl url, std::string clientId, Delivery delivery);
    ~BrokerClient();
    BrokerClient(const BrokerClient&) = delete;
    BrokerClient& operator=(const BrokerClient&) = delete;

    // Connects (the first attempt may fail: the thread keeps trying); "" or why it cannot start.
    std::string start();
    // Disconnects and waits for the thread, so no message is half taken.
    void stop();
    // A topic below the prefix.
    void publish(const std::string& topic, const std::string& payload, bool retained);
    // Whether the broker acknowledged every publish so far within the time.
    bool waitPublished(std::chrono::milliseconds wait);

    void connected(int reason);
    void deliver(std::string_view topic, std::string_view payload);
    void acknowledged();

private:
    link::LinkUrl url_;
    std::string clientId_;
    Delivery delivery_;
    mosquitto* client_ = nullptr;
    bool running_ = false;
    std::mutex mutex_;                   //!< Guards unacknowledged_.
    std::condition_variable published_;  // signals an acknowledgement
    int unacknowledged_ = 0;
};

}  // namespace quorvex::tracker
