#pragma once

#include "controlroom/LinkUrl.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct mosquitto;

namespace quorvex::tracker {

// A message as the broker delivered it: the topic below the prefix and the payload.
struct BrokerMessage {
    std::string topic;
    std::string payload;
};

// Called on the client's thread with the messages read in one go; true once they are stored, and
// then the broker is acknowledged for them. On false none is: the connection is dropped and made
// again after a back-off, and the broker delivers them again.
using Delivery = std::function<bool(std::span<const BrokerMessage> messages)>;

// The tracker's MQTT 5 connection: a fixed client id and a session the broker keeps (clean start
// off, a week's expiry), so what units publish while the tracker is down reaches it when it
// returns. QoS 1 throughout. Its own thread reads what the socket holds, hands it over in one
// batch, and only then writes the acknowledgements: a message is stored before the broker may
// forget it. The thread reconnects.
class BrokerClient {
public:
    BrokerClient(link::LinkUrl url, std::string clientId, Delivery delivery);
    ~BrokerClient();
    BrokerClient(const BrokerClient&) = delete;
    BrokerClient& operator=(const BrokerClient&) = delete;

    // Connects (the first attempt may fail: the thread keeps trying); "" or why it cannot start.
    std::string start();
    // Hands over what was read, acknowledges it, disconnects and waits for the thread.
    void stop();
    // A topic below the prefix.
    void publish(const std::string& topic, const std::string& payload, bool retained);
    // Whether the broker acknowledged every publish so far within the time.
    bool waitPublished(std::chrono::milliseconds wait);

    void connected(int reason);
    void received(std::string_view topic, std::string_view payload);
    void acknowledged();

private:
    void connect();
    void run();
    // Waits for the socket (or a wake), reads a batch, hands it over, writes what is queued; false
    // when the batch was not stored (then nothing is written).
    bool serve();
    // Drops the connection without a word: the acknowledgements queued are never sent.
    void abandonConnection();
    // Waits the time unless woken; false once stopping.
    bool pause(std::chrono::milliseconds time);
    void wake();
    void takeWake();

    link::LinkUrl url_;
    std::string clientId_;
    Delivery delivery_;
    mosquitto* client_ = nullptr;
    std::thread thread_;
    int wakeFd_ = -1;  // an eventfd: a publish or stop() interrupts the thread's wait
    std::atomic<bool> stopping_{false};
    std::vector<BrokerMessage> batch_;  // read, not yet handed over (the thread's own)
    std::size_t batchBytes_ = 0;
    std::mutex mutex_;                   //!< Guards unacknowledged_.
    std::condition_variable published_;  // signals an acknowledgement
    int unacknowledged_ = 0;
};

}  // namespace quorvex::tracker
