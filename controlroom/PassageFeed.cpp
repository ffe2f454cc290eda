#include "controlroom/PassageFeed.h"

#include "controlroom/BackOff.h"
#include "controlroom/LinkThreadStop.h"
#include "controlroom/LinkUrl.h"
#include "controlroom/MqttSession.h"
#include "journal/JournalReader.h"

#include <mosquitto.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <utility>

namespace quorvex::link {

namespace {

constexpr std::chrono::milliseconds NetworkWait{100};
constexpr std::chrono::seconds StopWithin{2};
// What other units publish while the crew is offline waits this long on the broker.
constexpr std::chrono::hours KeepSession{24};

}  // namespace

struct PassageFeedShared {
    std::mutex mutex;                  //!< Guards everything below.
    std::condition_variable changed;   // signals the request to stop and the thread's end
    std::vector<FeedPassage> arrived;  // not taken yet
    std::size_t refused = 0;
    std::string lastError;
    bool subscribed = false;
    bool stopping = false;
    bool finished = false;
};

namespace {

// The feed's thread: connects, subscribes once the broker accepted us, and starts over after a
// back-off when the connection is lost.
class FeedLoop {
public:
    FeedLoop(PassageFeedShared& shared, LinkSettings settings)
        : shared_(shared),
          settings_(std::move(settings)),
          backOff_(settings_.firstRetry, settings_.lastRetry) {}

    void run() {
        while (!stopping()) {
            std::string error = readOwnJournal();
            setError(error.empty() ? serve() : std::move(error));
            std::unique_lock lock(shared_.mutex);
            shared_.changed.wait_for(lock, backOff_.next(), [this] { return shared_.stopping; });
        }
        const std::lock_guard lock(shared_.mutex);
        shared_.finished = true;
        shared_.changed.notify_all();
    }

private:
    bool stopping() {
        const std::lock_guard lock(shared_.mutex);
        return shared_.stopping;
    }

    void setError(std::string error) {
        const std::lock_guard lock(shared_.mutex);
        shared_.lastError = std::move(error);
        shared_.subscribed = false;
    }

    void setSubscribed() {
        const std::lock_guard lock(shared_.mutex);
        shared_.subscribed = true;
    }

    // Once: "" when known. The journal names the session the broker keeps for us, so a restarted
    // console (a new process) finds it again; the host keeps a copied journal from taking it over.
    std::string readOwnJournal() {
        if (!ownJournal_.empty()) {
            return "";
        }
        journal::JournalReader reader;
        const std::string error = reader.open(settings_.journalPath);
        ownJournal_ = reader.uuid();
        settings_.clientId = "quorvex-run-" + hostName() + "-" + ownJournal_;
        return error.empty() ? std::string() : "the journal cannot be read: " + error;
    }

    // One connection, until it is lost or the feed stops; why it ended.
    std::string serve() {
        MqttSession session(settings_, "", KeepSession);
        if (std::string error = session.start(); !error.empty()) {
            return error;
        }
        while (!stopping()) {
            if (std::string error = session.loop(NetworkWait); !error.empty()) {
                return error;
            }
            MqttEvents events = session.take();
            if (events.connack && *events.connack != 0) {
                return std::string("the broker refused the connection: ") +
                       mosquitto_reason_string(*events.connack);
            }
            if (events.connack) {
                // Again on every connection: a broker that lost our session lost it too.
                if (std::string error = session.subscribe(settings_.url.prefix + "/+/passage");
                    !error.empty()) {
                    return error;
                }
                backOff_.reset();
                setError("");
            }
            if (events.subscribed && *events.subscribed < 0x80) {
                setSubscribed();
            } else if (events.subscribed) {
                // Its ACL may not let this laptop read: the link publishes all the same.
                setError("the broker refused the subscription to the other units' passages: " +
                         std::string(mosquitto_reason_string(*events.subscribed)));
            }
            for (const MqttReceived& message : events.received) {
                take(message);
            }
        }
        session.stop();
        return "";
    }

    void take(const MqttReceived& message) {
        const std::string_view topic = message.topic;
        const std::size_t from = settings_.url.prefix.size() + 1;
        const std::size_t to = topic.rfind('/');
        FeedPassage passage;
        const bool good = to != std::string_view::npos && to > from &&
                          parseFeedPassage(topic.substr(from, to - from), message.payload, passage).empty();
        const std::lock_guard lock(shared_.mutex);
        if (!good) {
            ++shared_.refused;
        } else if (passage.journal != ownJournal_ && seen_.emplace(passage.journal, passage.id).second) {
            shared_.arrived.push_back(std::move(passage));
        }
    }

    PassageFeedShared& shared_;
    LinkSettings settings_;
    BackOff backOff_;
    std::string ownJournal_;
    std::set<std::pair<std::string, std::int64_t>> seen_;  // (journal, id) of the rows handed on
};

}  // namespace

PassageFeed::PassageFeed(LinkSettings settings) : shared_(std::make_shared<PassageFeedShared>()) {
    thread_ = std::thread(
        [shared = shared_, settings = std::move(settings)] { FeedLoop(*shared, settings).run(); });
}

PassageFeed::~PassageFeed() {
    stopOrLeave(*shared_, thread_, StopWithin);
}

std::vector<FeedPassage> PassageFeed::take() {
    const std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->arrived, {});
}

std::size_t PassageFeed::refused() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->refused;
}

bool PassageFeed::subscribed() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->subscribed;
}

std::string PassageFeed::lastError() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->lastError;
}

}  // namespace quorvex::link
