#include "tracker/BrokerClient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace quorvex::tracker {

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr std::uint32_t SessionExpirySeconds = 7 * 24 * 3600;
constexpr std::array<const char*, 4> UnitLeaves = {"passage", "ignored", "trigger", "status"};
// A batch ends at this many messages or bytes, so a flood is taken in bounded bites.
constexpr std::size_t MaxBatchMessages = 1000;
constexpr std::size_t MaxBatchBytes = 8 * 1024 * 1024;
// Nothing bigger is sent to us (a route file is the largest thing on our topics).
constexpr std::uint32_t MaxPacketBytes = 40 * 1024 * 1024;
constexpr int IdleWaitMilliseconds = 1000;
// Reconnecting waits this long, doubling to the longest: a broker that is down or a store that
// keeps failing (a full disk) is not hammered.
constexpr std::chrono::milliseconds FirstRetry{1000};
constexpr std::chrono::milliseconds LongestRetry{15000};

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
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

BrokerClient::~BrokerClient() {
    stop();
    mosquitto_destroy(client_);
    ::close(wakeFd_);
}

std::string BrokerClient::start() {
    if (client_ == nullptr || wakeFd_ < 0) {
        return "the MQTT client cannot be made";
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    // Our own thread runs the loop: packets are only queued by the library, written when we say.
    mosquitto_threaded_set(client_, true);
    mosquitto_connect_v5_callback_set(client_,
                                      [](mosquitto*, void* data, int reason, int, const mosquitto_property*) {
                                          clientOf(data).connected(reason);
                                      });
    mosquitto_message_v5_callback_set(
        client_, [](mosquitto*, void* data, const mosquitto_message* message, const mosquitto_property*) {
            clientOf(data).received(message->topic, {static_cast<const char*>(message->payload),
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
    // The first attempt may fail (the broker starts later): the thread keeps trying.
    connect();
    thread_ = std::thread([this] { run(); });
    return "";
}

void BrokerClient::connect() {
    mosquitto_property* properties = nullptr;
    if (delivery_) {
        mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL, SessionExpirySeconds);
    }
    mosquitto_property_add_int32(&properties, MQTT_PROP_MAXIMUM_PACKET_SIZE, MaxPacketBytes);
    // Every attempt carries the session's expiry: a reconnection without it would end the session.
    mosquitto_connect_bind_v5(client_, url_.host.c_str(), url_.port, KeepAliveSeconds, nullptr, properties);
    mosquitto_property_free_all(&properties);
}

void BrokerClient::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        wake();
        thread_.join();
    }
}

void BrokerClient::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void BrokerClient::takeWake() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto taken = ::read(wakeFd_, &count, sizeof count);
}

void BrokerClient::run() {
    auto retry = FirstRetry;
    auto storeRetry = FirstRetry;
    while (!stopping_) {
        if (mosquitto_socket(client_) < 0) {
            if (pause(retry)) {
                connect();
            }
            retry = std::min(retry * 2, LongestRetry);
        } else if (serve()) {
            retry = FirstRetry;
            storeRetry = FirstRetry;
        } else {
            abandonConnection();
            if (pause(storeRetry)) {
                connect();  // drops the queued acknowledgements with the old connection
            }
            storeRetry = std::min(storeRetry * 2, LongestRetry);
        }
    }
    if (mosquitto_socket(client_) >= 0) {
        mosquitto_loop_write(client_, 1);
        mosquitto_disconnect(client_);
        mosquitto_loop_write(client_, 1);
    }
}

bool BrokerClient::pause(std::chrono::milliseconds time) {
    pollfd wait{wakeFd_, POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(time.count())) > 0) {
        takeWake();
    }
    return !stopping_;
}

void BrokerClient::abandonConnection() {
    // Shut, not closed: the library still owns the descriptor. What it writes from now on fails,
    // and the broker sees the connection go and keeps the messages for the session.
    if (const int socket = mosquitto_socket(client_); socket >= 0) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

bool BrokerClient::serve() {
    const int socket = mosquitto_socket(client_);
    std::array<pollfd, 2> wait{
        pollfd{socket, static_cast<short>(POLLIN | (mosquitto_want_write(client_) ? POLLOUT : 0)), 0},
        pollfd{wakeFd_, POLLIN, 0}};
    ::poll(wait.data(), wait.size(), IdleWaitMilliseconds);
    if (wait[1].revents != 0) {
        takeWake();
    }
    bool readable = wait[0].revents != 0;
    while (readable && batch_.size() < MaxBatchMessages && batchBytes_ < MaxBatchBytes) {
        if (mosquitto_loop_read(client_, 1) != MOSQ_ERR_SUCCESS || mosquitto_socket(client_) < 0) {
            break;  // the connection is lost: what was read is still stored, unacknowledged
        }
        pollfd more{socket, POLLIN, 0};
        readable = ::poll(&more, 1, 0) > 0;
    }
    const bool stored = batch_.empty() || delivery_(batch_);
    batch_.clear();
    batchBytes_ = 0;
    if (stored && mosquitto_socket(client_) >= 0) {
        mosquitto_loop_write(client_, 1);
        mosquitto_loop_misc(client_);
    }
    return stored;
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

void BrokerClient::received(std::string_view topic, std::string_view payload) {
    if (delivery_ && topic.size() > url_.prefix.size() && topic.starts_with(url_.prefix) &&
        topic[url_.prefix.size()] == '/') {
        batch_.push_back({std::string(topic.substr(url_.prefix.size() + 1)), std::string(payload)});
        batchBytes_ += payload.size();
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
    wake();
}

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
