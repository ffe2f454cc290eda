#include "tests/helpers/mqtt/MqttSubscriber.h"

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <unistd.h>

#include <atomic>

namespace quorvex::test {

namespace {

MqttSubscriber& subscriberOf(void* data) {
    return *static_cast<MqttSubscriber*>(data);
}

std::string uniqueId() {
    static std::atomic<int> count{0};
    return "subscriber-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

}  // namespace

MqttSubscriber::MqttSubscriber(int port, const std::string& filter) : filter_(filter) {
    mosquitto_lib_init();
    // A session the broker keeps, as a control room's would: nothing is missed while reconnecting.
    client_ = mosquitto_new(uniqueId().c_str(), false, this);
    mosquitto_connect_callback_set(client_, [](mosquitto* client, void* data, int) {
        mosquitto_subscribe(client, nullptr, subscriberOf(data).filter_.c_str(), 1);
    });
    mosquitto_subscribe_callback_set(
        client_, [](mosquitto*, void* data, int, int, const int*) { subscriberOf(data).subscribed(); });
    mosquitto_message_callback_set(client_, [](mosquitto*, void* data, const mosquitto_message* message) {
        subscriberOf(data).add({message->topic,
                                std::string(static_cast<const char*>(message->payload),
                                            static_cast<std::size_t>(message->payloadlen)),
                                message->retain});
    });
    EXPECT_EQ(MOSQ_ERR_SUCCESS, mosquitto_connect(client_, "127.0.0.1", port, 30));
    mosquitto_loop_start(client_);
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, std::chrono::seconds(20), [this] { return subscribed_; }));
}

MqttSubscriber::~MqttSubscriber() {
    mosquitto_disconnect(client_);
    // The loop ends by itself after the disconnection: cancelling its thread could leave a lock held.
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
}

void MqttSubscriber::add(MqttMessage message) {
    const std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
    changed_.notify_all();
}

void MqttSubscriber::subscribed() {
    const std::lock_guard lock(mutex_);
    subscribed_ = true;
    changed_.notify_all();
}

bool MqttSubscriber::waitFor(const std::function<bool(const std::vector<MqttMessage>&)>& condition,
                             std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return condition(messages_); });
}

std::vector<MqttMessage> MqttSubscriber::messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> payloadsOn(const std::vector<MqttMessage>& messages, const std::string& topicEnd) {
    std::vector<std::string> payloads;
    for (const MqttMessage& message : messages) {
        if (message.topic.ends_with(topicEnd)) {
            payloads.push_back(message.payload);
        }
    }
    return payloads;
}

std::string jsonField(const std::string& payload, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const auto start = payload.find(key);
    if (start == std::string::npos) {
        return {};
    }
    const auto valueStart = start + key.size();
    std::size_t end = valueStart;
    bool quoted = false;
    for (; end < payload.size(); ++end) {
        const char c = payload[end];
        if (c == '\\') {
            ++end;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ',' || c == '}')) {
            break;
        }
    }
    return payload.substr(valueStart, end - valueStart);
}

}  // namespace quorvex::test
