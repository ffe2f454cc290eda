#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;

namespace quorvex::test {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// A second MQTT client, as a control room would run one: subscribed to a filter once built.
class MqttSubscriber {
public:
    MqttSubscriber(int port, const std::string& filter);
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    // Whether the messages so far satisfy the condition within the time.
    bool waitFor(const std::function<bool(const std::vector<MqttMessage>&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30));
    std::vector<MqttMessage> messages() const;

    void add(MqttMessage message);
    void subscribed();

private:
    mosquitto* client_ = nullptr;
    mutable std::mutex mutex_;         //!< Guards messages_ and subscribed_.
    std::condition_variable changed_;  // signals a message or the subscription
    std::vector<MqttMessage> messages_;
    bool subscribed_ = false;
    std::string filter_;
};

// The payloads on a topic ending so, oldest first.
std::vector<std::string> payloadsOn(const std::vector<MqttMessage>& messages, const std::string& topicEnd);

// The value of a field in a JSON payload, as written ("12", "\"text\""): the first field of the name.
std::string jsonField(const std::string& payload, const std::string& name);

}  // namespace quorvex::test
