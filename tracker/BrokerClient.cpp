#include "tracker/BrokerClient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <array>
#include <cstdio>
#include <mutex>

namespace quorvex::tracker {

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr std::uint32_t SessionExpirySeconds = 7 * 24 * 3600;
constexpr std::array<const char*, 4> UnitLeaves = {"passage", "ignored", "trigger", "status"};

BrokerClient& clientOf(void* data) {
    return *static_cast<BrokerClient*>(data);
}

}  // namespace

BrokerClient::BrokerClient(link::LinkUrl url, std::string clientId, Delivery delivery)
    : url_(std::move(url)), clientId_(std::move(clientId)), delivery_(std::move(delivery)) {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
    // Without deliveries (a command that only publishes) the session need not outlive us.
    client_ = mosquitto_new(clientId_.empty() ? nullptr : clientId_.c_str(), !delivery_, this);
}

BrokerClient::~BrokerClient() {
    stop();
    mosquitto_destroy(client_);
}

std::string BrokerClient::start() {
    if (client_ == nullptr) {
        return "the MQTT client cannot be made";
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(client_,
                                      [](mosquitto*, void* data, int reason, int, const mosquitto_property*) {
                                          clientOf(data).connected(reason);
                                      });
    mosquitto_message_v5_callback_set(
        client_, [](mosquitto*, void* data, const mosquitto_message* message, const mosquitto_property*) {
            clientOf(data).deliver(message->topic, {static_cast<const char*>(message->payload),
                                                    static_cast<std::size_t>(message->payloadlen)});
        });
    mosquitto_publish_v5_callback_set(
        client_,
        [](mosquitto*, void* data, int, int, const mosquitto_property*) { clientOf(data).acknowledged(); });
    if (!url_.user.empty()) {
        mosquitto_username_pw_set(client_, url_.user.c_str(),
                                  url_.password.empty() ? nullptr : url_.password.c_str());
    }
    if (url_.secure && mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1) != MOSQ_ERR_SUCCESS) {
        return "TLS cannot be set up for the broker";
    }
    mosquitto_reconnect_delay_set(client_, 1, 15, true);
    mosquitto_property* properties = nullptr;
    if (delivery_) {
        mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL, SessionExpirySeconds);
    }
    // The first attempt may fail (the broker starts later): the loop's thread keeps trying.
    mosquitto_connect_bind_v5(client_, url_.host.c_str(), url_.port, KeepAliveSeconds, nullptr, properties);
    mosquitto_property_free_all(&properties);
    const int result = mosquitto_loop_start(client_);
    running_ = result == MOSQ_ERR_SUCCESS;
    return running_ ? "" : std::string("the MQTT thread cannot start: ") + mosquitto_strerror(result);
}

void BrokerClient::stop() {
    if (running_) {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        running_ = false;
    }
}

void BrokerClient::connected(int reason) {
    if (reason != 0 || !delivery_) {
        if (reason != 0) {
            std::fprintf(stderr, "quorvex-tracker: the broker refused us: %s\n",
                         mosquitto_reason_string(reason));
        }
        return;
    }
    // Subscribed again on every connection: the session keeps them, but a broker that lost it does not.
    for (const char* leaf : UnitLeaves) {
        const std::string filter = url_.prefix + "/+/" + leaf;
        mosquitto_subscribe_v5(client_, nullptr, filter.c_str(), 1, 0, nullptr);
    }
    const std::string actions = url_.prefix + "/tracker/#";
    mosquitto_subscribe_v5(client_, nullptr, actions.c_str(), 1, 0, nullptr);
}

void BrokerClient::deliver(std::string_view topic, std::string_view payload) {
    if (topic.size() > url_.prefix.size() && topic.starts_with(url_.prefix) &&
        topic[url_.prefix.size()] == '/') {
        delivery_(topic.substr(url_.prefix.size() + 1), payload);
    }
}

void BrokerClient::publish(const std::string& topic, const std::string& payload, bool retained) {
    const std::string full = url_.prefix + "/" + topic;
    {
        std::lock_guard lock(mutex_);
        ++unacknowledged_;
    }
    mosquitto_publish_v5(client_, nullptr, full.c_str(), static_cast<int>(payload.size()), payload.data(), 1,
                         retained, nullptr);
}

}  // namespace quorvex::tracker

namespace quorvex::tracker {

void BrokerClient::acknowledged() {
    std::lock_guard lock(mutex_);
    --unacknowledged_;
    published_.notify_all();
}

bool BrokerClient::waitPublished(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    return published_.wait_for(lock, wait, [this] { return unacknowledged_ <= 0; });
}

}  // namespace quorvex::tracker
