#include "controlroom/MqttSession.h"

#include "controlroom/LinkPayload.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cerrno>
#include <cstdint>
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

template <typename Mailbox>
Mailbox& mailboxOf(void* data) {
    return *static_cast<Mailbox*>(data);
}

}  // namespace

MqttSession::MqttSession(const LinkSettings& settings, const std::string& willTopic,
                         std::chrono::seconds keepSession)
    : settings_(settings), keepSession_(keepSession) {
    initialiseLibrary();
    mailbox_.settings = &settings_;
    client_ = mosquitto_new(settings.clientId.c_str(), keepSession_.count() == 0, &mailbox_);
    setUpError_ = client_ == nullptr
                      ? std::string("the MQTT library could not start: ") + std::strerror(errno)
                      : setUp(willTopic);
}

MqttSession::~MqttSession() {
    mosquitto_destroy(client_);
}

std::string MqttSession::setUp(const std::string& willTopic) {
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_max_inflight_messages_set(client_, static_cast<unsigned>(settings_.inFlight));
    mosquitto_connect_v5_callback_set(client_,
                                      [](mosquitto*, void* data, int code, int, const mosquitto_property*) {
                                          mailboxOf<Mailbox>(data).events.connack = code;
                                      });
    mosquitto_publish_v5_callback_set(
        client_, [](mosquitto*, void* data, int messageId, int reason, const mosquitto_property*) {
            mailboxOf<Mailbox>(data).events.acknowledged.push_back({messageId, reason});
        });
    mosquitto_message_v5_callback_set(
        client_, [](mosquitto*, void* data, const mosquitto_message* message, const mosquitto_property*) {
            const char* payload = static_cast<const char*>(message->payload);
            mailboxOf<Mailbox>(data).events.received.push_back(
                {message->topic, std::string(payload, payload == nullptr ? 0 : message->payloadlen)});
        });
    mosquitto_subscribe_v5_callback_set(
        client_, [](mosquitto*, void* data, int, int count, const int* granted, const mosquitto_property*) {
            mailboxOf<Mailbox>(data).events.subscribed = count > 0 ? granted[0] : 0x80;
        });
    // OpenSSL's reasons (and the key file's) reach us only through the library's log.
    mosquitto_log_callback_set(client_, [](mosquitto*, void* data, int level, const char* text) {
        const bool tls =
            std::strstr(text, "OpenSSL Error") != nullptr || std::strstr(text, "key file") != nullptr;
        std::string& error = mailboxOf<Mailbox>(data).events.tlsError;
        if (level == MOSQ_LOG_ERR && tls && error.empty()) {
            error = text;
        }
    });
    const LinkUrl& url = settings_.url;
    if (!url.user.empty() && mosquitto_username_pw_set(
                                 client_, url.user.c_str(),
                                 url.password.empty() ? nullptr : url.password.c_str()) != MOSQ_ERR_SUCCESS) {
        return "the user name cannot be used";
    }
    if (!willTopic.empty()) {
        if (const int result =
                mosquitto_will_set_v5(client_, willTopic.c_str(), static_cast<int>(OfflinePayload.size()),
                                      OfflinePayload.data(), QoS, true, nullptr);
            result != MOSQ_ERR_SUCCESS) {
            return "the last will cannot be set on " + willTopic + " (" + mosquitto_strerror(result) + ")";
        }
    }
    return url.secure ? setUpTls() : std::string();
}

// An encrypted key's pass phrase comes from the settings, never from the terminal.
std::string MqttSession::setUpTls() {
    const char* certFile = settings_.certFile.empty() ? nullptr : settings_.certFile.c_str();
    const char* keyFile = settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str();
    const auto passPhrase = [](char* buffer, int size, int, void* client) {
        const auto& mailbox = mailboxOf<Mailbox>(mosquitto_userdata(static_cast<mosquitto*>(client)));
        const std::string& phrase = mailbox.settings->keyPassword;
        if (phrase.empty() || phrase.size() >= static_cast<std::size_t>(size)) {
            return 0;
        }
        std::memcpy(buffer, phrase.data(), phrase.size());
        return static_cast<int>(phrase.size());
    };
    int result = MOSQ_ERR_SUCCESS;
    if (settings_.caFile.empty()) {
        // OpenSSL's own authorities (SSL_CERT_FILE and SSL_CERT_DIR move them).
        result = mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (result == MOSQ_ERR_SUCCESS && certFile != nullptr) {
            result = mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", certFile, keyFile, passPhrase);
        }
    } else {
        result = mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr, certFile, keyFile, passPhrase);
    }
    return result == MOSQ_ERR_SUCCESS ? std::string()
                                      : "the certificate files cannot be read (" + failure(result) + ")";
}

std::string MqttSession::failure(int code) const {
    const MqttEvents& events = mailbox_.events;
    if (events.tlsError.find("key file") != std::string::npos) {
        return "the client key " + settings_.keyFile + " cannot be read: " +
               (settings_.keyPassword.empty() ? "if it is encrypted, its pass phrase is needed"
                                              : "is its pass phrase right?");
    }
    if (!events.tlsError.empty()) {
        return "TLS refused the connection: " + events.tlsError;
    }
    const std::string reason = code == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(code);
    if (!accepted_ && !settings_.url.secure && code == MOSQ_ERR_CONN_LOST) {
        return reason + " before the broker answered: is it a TLS port? Then the URL starts with mqtts://";
    }
    return reason;
}

std::string MqttSession::start() {
    if (!setUpError_.empty()) {
        return setUpError_;
    }
    // Without the expiry the broker would end the session as soon as we leave, clean start or not.
    mosquitto_property* properties = nullptr;
    if (keepSession_.count() > 0) {
        mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                     static_cast<std::uint32_t>(keepSession_.count()));
    }
    const int result = mosquitto_connect_bind_v5(client_, settings_.url.host.c_str(), settings_.url.port,
                                                 KeepAliveSeconds, nullptr, properties);
    mosquitto_property_free_all(&properties);
    return result == MOSQ_ERR_SUCCESS ? std::string() : failure(result);
}

std::string MqttSession::loop(std::chrono::milliseconds wait) {
    const int result = mosquitto_loop(client_, static_cast<int>(wait.count()), 1);
    accepted_ = accepted_ || mailbox_.events.connack.has_value();
    return result == MOSQ_ERR_SUCCESS ? std::string() : failure(result);
}

MqttPublish MqttSession::publish(const std::string& topic, std::string_view payload, bool retain) {
    int messageId = 0;
    const int result =
        mosquitto_publish_v5(client_, &messageId, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), QoS, retain, nullptr);
    if (result == MOSQ_ERR_SUCCESS) {
        return {messageId, {}, false};
    }
    const bool connectionLost =
        result == MOSQ_ERR_NO_CONN || result == MOSQ_ERR_CONN_LOST || result == MOSQ_ERR_ERRNO;
    return {std::nullopt, failure(result), connectionLost};
}

std::string MqttSession::subscribe(const std::string& filter) {
    const int result = mosquitto_subscribe_v5(client_, nullptr, filter.c_str(), QoS, 0, nullptr);
    return result == MOSQ_ERR_SUCCESS ? std::string() : failure(result);
}

void MqttSession::stop() {
    mosquitto_disconnect(client_);
}

MqttEvents MqttSession::take() {
    MqttEvents taken;
    std::swap(taken.connack, mailbox_.events.connack);
    std::swap(taken.acknowledged, mailbox_.events.acknowledged);
    std::swap(taken.received, mailbox_.events.received);
    std::swap(taken.subscribed, mailbox_.events.subscribed);
    taken.tlsError = mailbox_.events.tlsError;
    return taken;
}

}  // namespace quorvex::link
