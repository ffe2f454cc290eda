#include "tracker/TrackerService.h"

#include "controlroom/LinkUrl.h"

#include <cstdio>
#include <functional>

namespace quorvex::tracker {

std::string trackerClientId(const std::filesystem::path& stateFolder) {
    const std::size_t hash =
        std::hash<std::string>()(std::filesystem::absolute(stateFolder).lexically_normal());
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016zx", hash);
    return "quorvex-tracker-" + link::hostName().substr(0, 40) + "-" + suffix;
}

TrackerService::TrackerService(TrackerOptions options) : options_(std::move(options)) {
    if (options_.webFolder.empty()) {
        options_.webFolder =
            std::filesystem::exists(QUORVEX_TRACKER_WEB) ? QUORVEX_TRACKER_WEB : QUORVEX_TRACKER_SOURCE_WEB;
    }
}

TrackerService::~TrackerService() {
    stop();
}

std::string TrackerService::start() {
    broker_ = std::make_unique<BrokerClient>(
        options_.broker, trackerClientId(options_.stateFolder),
        [this](std::span<const BrokerMessage> messages) { return deliver(messages); });
    const std::string error = tracker_.open(
        options_.stateFolder, [this](const std::string& topic, const std::string& payload, bool retained) {
            broker_->publish(topic, payload, retained);
        });
    if (!error.empty()) {
        return error;
    }
    web_ = std::make_unique<WebServer>(tracker_, options_);
    if (std::string failure = web_->start(); !failure.empty()) {
        return failure;
    }
    if (std::string failure = broker_->start(); !failure.empty()) {
        return failure;
    }
    clock_ = std::thread([this] { evaluateEverySecond(); });
    return "";
}

void TrackerService::stop() {
    {
        std::lock_guard lock(clockMutex_);
        stopping_ = true;
    }
    clockWake_.notify_all();
    if (clock_.joinable()) {
        clock_.join();
    }
    if (web_) {
        web_->stop();
    }
    if (broker_) {
        broker_->stop();
    }
}

bool TrackerService::deliver(std::span<const BrokerMessage> messages) {
    // The units' messages go in one transaction; an action between them is applied in its turn.
    std::vector<UnitDelivery> units;
    std::vector<const BrokerMessage*> sources;
    const auto takeUnits = [&] {
        if (units.empty()) {
            return true;  // no transaction for nothing (an action comes first)
        }
        const BatchOutcome outcome = tracker_.receiveUnits(units);
        reportStoring(outcome.failure);
        for (std::size_t at = 0; outcome.failure.empty() && at < outcome.refusals.size(); ++at) {
            reportRefusal(sources[at]->topic, outcome.refusals[at]);
        }
        units.clear();
        sources.clear();
        return outcome.failure.empty();
    };
    for (const BrokerMessage& message : messages) {
        const std::string_view topic = message.topic;
        const auto slash = topic.find('/');
        if (topic.starts_with("tracker/")) {
            if (!takeUnits()) {
                return false;
            }
            reportRefusal(topic, tracker_.receiveAction(topic.substr(8), message.payload));
        } else if (slash != std::string_view::npos) {
            units.push_back({topic.substr(0, slash), topic.substr(slash + 1), message.payload});
            sources.push_back(&message);
        }
    }
    return takeUnits();
}

void TrackerService::reportStoring(const std::string& failure) {
    if (failure.empty() == !storeFailing_) {
        return;
    }
    storeFailing_ = !failure.empty();
    if (storeFailing_) {
        std::fprintf(stderr, "quorvex-tracker: messages are not acknowledged until they can be stored: %s\n",
                     failure.c_str());
    } else {
        std::fprintf(stderr, "quorvex-tracker: messages are stored again\n");
    }
}

void TrackerService::reportRefusal(std::string_view topic, const std::string& refusal) {
    if (refusal.empty()) {
        return;
    }
    // A flood is said in a few lines a second and a count, not a line for each message.
    const auto now = std::chrono::steady_clock::now();
    if (now - refusalSecond_ >= std::chrono::seconds(1)) {
        if (refusalsUntold_ > 0) {
            std::fprintf(stderr, "quorvex-tracker: refused %lld more messages\n", refusalsUntold_);
        }
        refusalSecond_ = now;
        refusalsTold_ = 0;
        refusalsUntold_ = 0;
    }
    if (++refusalsTold_ > MaxRefusalLinesPerSecond) {
        ++refusalsUntold_;
        return;
    }
    std::fprintf(stderr, "quorvex-tracker: refused a message on %.*s: %s\n", static_cast<int>(topic.size()),
                 topic.data(), refusal.c_str());
}

void TrackerService::evaluateEverySecond() {
    std::unique_lock lock(clockMutex_);
    while (!stopping_) {
        lock.unlock();
        tracker_.evaluate(std::chrono::system_clock::now());
        lock.lock();
        clockWake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
    }
}

}  // namespace quorvex::tracker
