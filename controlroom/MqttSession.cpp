#include "controlroom/MqttSession.h"

#include "controlroom/LinkPayload.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace quorvex::link {

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr int QoS = 1;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MqttEvents& eventsOf(void* data) {
    return *static_cast<MqttEvents*>(data);
}

void onConnect(mosquitto*, void* data, int code) {
    eventsOf(data).connack = code;
}

void onPublish(mosquitto*, void* data, int messageId) {
    eventsOf(data).acknowledged.push_back(messageId);
}

// OpenSSL's reasons reach us only through the library's log.
void onLog(mosquitto*, void* data, int level, const char* text) {
    if (level == MOSQ_LOG_ERR && std::strstr(text, "OpenSSL Error") != nullptr &&
        eventsOf(data).tlsError.empty()) {
        eventsOf(data).tlsError = text;
    }
}

}  // namespace

MqttSession::MqttSession(const LinkSettings& settings, const std::string& willTopic) : settings_(settings) {
    initialiseLibrary();
    client_ = mosquitto_new(settings.clientId.c_str(), true, &events_);
    setUpError_ = client_ == nullptr
                      ? std::string("the MQTT library could not start: ") + std::strerror(errno)
                      : setUp(willTopic);
}

MqttSession::~MqttSession() {
    mosquitto_destroy(client_);
}

std::string MqttSession::setUp(const std::string& willTopic) {
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(client_, static_cast<unsigned>(settings_.inFlight));
    mosquitto_connect_callback_set(client_, onConnect);
    mosquitto_publish_callback_set(client_, onPublish);
    mosquitto_log_callback_set(client_, onLog);
    const LinkUrl& url = settings_.url;
    if (!url.user.empty() && mosquitto_username_pw_set(
                                 client_, url.user.c_str(),
                                 url.password.empty() ? nullptr : url.password.c_str()) != MOSQ_ERR_SUCCESS) {
        return "the user name cannot be used";
    }
    if (!willTopic.empty()) {
        mosquitto_will_set(client_, willTopic.c_str(), static_cast<int>(OfflinePayload.size()),
                           OfflinePayload.data(), QoS, true);
    }
    if (!url.secure) {
        return {};
    }
    const char* certFile = settings_.certFile.empty() ? nullptr : settings_.certFile.c_str();
    const char* keyFile = settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str();
    const int result =
        settings_.caFile.empty()
            ? mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", certFile, keyFile, nullptr)
            : mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr, certFile, keyFile, nullptr);
    return result == MOSQ_ERR_SUCCESS ? std::string()
                                      : "the certificate files cannot be read (" + failure(result) + ")";
}

std::string MqttSession::failure(int code) const {
    if (!events_.tlsError.empty()) {
        return "TLS refused the connection: " + events_.tlsError;
    }
    return code == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(code);
}

std::string MqttSession::start() {
    if (!setUpError_.empty()) {
        return setUpError_;
    }
    const int result =
        mosquitto_connect(client_, settings_.url.host.c_str(), settings_.url.port, KeepAliveSeconds);
    return result == MOSQ_ERR_SUCCESS ? std::string() : failure(result);
}

std::string MqttSession::loop(std::chrono::milliseconds wait) {
    const int result = mosquitto_loop(client_, static_cast<int>(wait.count()), 1);
    return result == MOSQ_ERR_SUCCESS ? std::string() : failure(result);
}

std::optional<int> MqttSession::publish(const std::string& topic, std::string_view payload, bool retain) {
    int messageId = 0;
    const int result = mosquitto_publish(client_, &messageId, topic.c_str(), static_cast<int>(payload.size()),
                                         payload.data(), QoS, retain);
    return result == MOSQ_ERR_SUCCESS ? std::optional<int>(messageId) : std::nullopt;
}

void MqttSession::stop() {
    mosquitto_disconnect(client_);
}

MqttEvents MqttSession::take() {
    MqttEvents taken;
    std::swap(taken.connack, events_.connack);
    std::swap(taken.acknowledged, events_.acknowledged);
    taken.tlsError = events_.tlsError;
    return taken;
}

}  // namespace quorvex::link
