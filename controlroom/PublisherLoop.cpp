#include "controlroom/PublisherLoop.h"

#include "controlroom/LinkPayload.h"
#include "journal/JournalFeed.h"
#include "support/logging/LogBeacon.h"

#include <mosquitto.h>

#include <algorithm>

namespace quorvex::link {

namespace {

using namespace zeph::windows::logging;

constexpr std::chrono::milliseconds NetworkWait{50};
constexpr std::chrono::seconds LedgerRetry{1};
constexpr std::chrono::seconds LeaseRetry{1};
// How often the waiting count is looked at while there is no connection.
constexpr std::chrono::milliseconds IdleLook{250};
constexpr std::chrono::seconds GoodbyeWithin{1};

// MQTT 5 reason codes from 0x80 on say no.
constexpr int FirstFailure = 0x80;

std::string refusal(int code) {
    switch (code) {
        case 0x86:
        case 0x87:  // what mosquitto answers to a wrong password
            return "the broker refused the user name or password";
        default:
            return std::string("the broker refused the connection: ") + mosquitto_reason_string(code);
    }
}

}  // namespace

PublisherLoop::PublisherLoop(PublisherShared& shared, const LinkSettings& settings,
                             journal::Microseconds started)
    : shared_(shared),
      settings_(settings),
      started_(started),
      backOff_(settings.firstRetry, settings.lastRetry) {}

void PublisherLoop::run() {
    LogBeacon::log("PublisherLoop::run", DebugLevel1, L" ");
    while (!stopping()) {
        if (!ledger_.isOpen()) {
            openLedger();
        }
        if (!lease_.held()) {
            takeLease();
        }
        if (session_) {
            serve();
        } else if (lease_.held() && Clock::now() >= nextAttempt_) {
            attempt();
        } else {
            if (ledger_.isOpen() && ledger_.changed()) {
                updateWaiting();
            }
            idle();
        }
    }
    goodbye();
    const std::lock_guard lock(shared_.mutex);
    shared_.finished = true;
    shared_.changed.notify_all();
}

bool PublisherLoop::stopping() {
    const std::lock_guard lock(shared_.mutex);
    return shared_.stopping;
}

// Nothing to do until the next attempt, the next look at the journal, or a stop.
void PublisherLoop::idle() {
    const auto until = std::min(nextAttempt_, Clock::now() + IdleLook);
    std::unique_lock lock(shared_.mutex);
    shared_.changed.wait_until(lock, until, [this] { return shared_.stopping; });
}

void PublisherLoop::openLedger() {
    if (Clock::now() < nextLedgerTry_) {
        return;
    }
    nextLedgerTry_ = Clock::now() + LedgerRetry;
    if (const std::string error = ledger_.open(settings_.journalPath, started_); !error.empty()) {
        LogBeacon::log("PublisherLoop::openLedger", DebugLevel2, L"Journal not ready: %hs", error.c_str());
        return;
    }
    maybeMore_ = true;
    updateWaiting();
}

// Another publisher on this journal would send every row twice and race us on the marks.
void PublisherLoop::takeLease() {
    if (Clock::now() < nextLeaseTry_) {
        return;
    }
    nextLeaseTry_ = Clock::now() + LeaseRetry;
    if (const std::string holder = lease_.take(settings_.journalPath); !holder.empty()) {
        setState(LinkState::Offline);
        report(holder);
    }
}

void PublisherLoop::attempt() {
    UnitStatus unit;
    std::uint64_t attempts = 0;
    {
        const std::lock_guard lock(shared_.mutex);
        unit = shared_.unit;
        attempts = ++shared_.status.attempts;
    }
    LogBeacon::log("PublisherLoop::attempt", Information, L"Connecting to %hs (attempt %hs)",
                   brokerName(settings_.url).c_str(), std::to_string(attempts).c_str());
    setState(LinkState::Connecting);
    accepted_.reset();
    willSerial_ =
        !unit.serialNumber.empty() || !ledger_.isOpen() ? unit.serialNumber : ledger_.lastSerialNumber();
    session_ = std::make_unique<MqttSession>(
        settings_,
        willSerial_.empty() ? std::string() : topicOf(settings_.url.prefix, willSerial_, "status"));
    lastHeard_ = Clock::now();
    if (const std::string error = session_->start(); !error.empty()) {
        drop(error);
    }
}

void PublisherLoop::serve() {
    const std::string error = session_->loop(NetworkWait);
    const MqttEvents events = session_->take();
    if (events.connack) {
        onConnack(*events.connack);
    }
    acknowledge(events.acknowledged);
    if (session_ && !error.empty()) {
        drop(error);
    }
    if (session_ && online_) {
        keepIfStable();
        if (ledger_.isOpen() && ledger_.changed()) {
            maybeMore_ = true;
            notesMaybe_ = true;
        }
        sendRows();
        sendEditedNotes();
        sendStatus();
    }
    if (session_) {
        checkSilence();
    }
}

void PublisherLoop::onConnack(int code) {
    lastHeard_ = Clock::now();
    if (code != 0) {
        drop(refusal(code));
        return;
    }
    LogBeacon::log("PublisherLoop::onConnack", Information, L"Connected to %hs",
                   brokerName(settings_.url).c_str());
    online_ = true;
    accepted_ = Clock::now();
    cursor_ = ledger_.deliveredThrough();
    historicalThrough_ = ledger_.isOpen() ? ledger_.lastRowId() : 0;
    maybeMore_ = true;
    notesMaybe_ = true;
    statusSent_ = 0;  // the broker may hold our will's "offline" now
    if (!lastError_.empty() && !toldOnline_) {
        toldOnline_ = true;
        if (settings_.notify) {
            settings_.notify("Control room link: online again, " + brokerName(settings_.url));
        }
    }
    setState(LinkState::Online);
    sendStatus();
}

// The back-off starts over only once a connection proved itself: a broker that accepts and then
// drops us at once must not be hammered.
void PublisherLoop::keepIfStable() {
    if (accepted_ && Clock::now() - *accepted_ >= settings_.stableAfter) {
        accepted_.reset();
        backOff_.reset();
        lastError_.clear();
        const std::lock_guard lock(shared_.mutex);
        shared_.status.lastError.clear();
    }
}

void PublisherLoop::acknowledge(const std::vector<MqttAck>& acks) {
    std::vector<DeliveredRow> rows;
    for (const MqttAck& ack : acks) {
        lastHeard_ = Clock::now();
        const auto found = inFlight_.find(ack.messageId);
        if (found == inFlight_.end()) {
            continue;
        }
        if (ack.reason >= FirstFailure) {
            park(found->second,
                 "the broker refused it (" + std::string(mosquitto_reason_string(ack.reason)) + ")");
        } else {
            const SentRow& sent = found->second;
            rows.push_back({sent.id, sent.note, sent.update});
            notesMaybe_ = notesMaybe_ || sent.update;
        }
        inFlight_.erase(found);
    }
    if (rows.empty()) {
        return;
    }
    maybeMore_ = true;  // room in flight again, and the marks may close a gap
    if (const std::string error = ledger_.markDelivered(rows, journal::journalNow()); !error.empty()) {
        report("the journal cannot keep the delivery marks: " + error);
        return;
    }
    {
        const std::lock_guard lock(shared_.mutex);
        shared_.status.delivered += rows.size();
    }
    updateWaiting();
}

// A row the broker or the library will not take stays in the journal, unmarked and counted as
// waiting, and is passed over until the next start; the operator hears of each reason once.
void PublisherLoop::park(const SentRow& row, const std::string& reason) {
    parked_.insert(row.id);
    {
        const std::lock_guard lock(shared_.mutex);
        shared_.status.parked = parked_.size();
        shared_.status.parkedRows.assign(parked_.begin(), parked_.end());
    }
    LogBeacon::log("PublisherLoop::park", Error, L"Row %hs on %hs not delivered: %hs",
                   std::to_string(row.id).c_str(), row.topic.c_str(), reason.c_str());
    if (parkReasons_.insert(reason).second) {
        report("row " + std::to_string(row.id) + " on " + row.topic + " was not delivered: " + reason +
               "; it stays in the journal, with any other row refused so, until the link starts again");
    }
}

void PublisherLoop::sendRows() {
    // Without the journal (not there yet) only the status goes out.
    while (session_ && ledger_.isOpen() && maybeMore_ && inFlight_.size() < settings_.inFlight) {
        WaitingPage page;
        if (const std::string error =
                ledger_.waitingAfter(cursor_, settings_.inFlight - inFlight_.size(), page);
            !error.empty()) {
            report("the journal cannot be read: " + error);
            return;
        }
        maybeMore_ = page.full;
        cursor_ = page.lastId;
        for (const journal::JournalEntry& row : page.rows) {
            if (!parked_.contains(row.id) && !sendRow(row)) {
                return;
            }
        }
        updateWaiting();
    }
}

// A note edited after its row was delivered goes out as an update of that row, once the rows
// waiting have gone.
void PublisherLoop::sendEditedNotes() {
    if (!session_ || !ledger_.isOpen() || maybeMore_ || !notesMaybe_ ||
        inFlight_.size() >= settings_.inFlight) {
        return;
    }
    std::vector<journal::JournalEntry> rows;
    if (const std::string error = ledger_.editedNotes(settings_.inFlight, rows); !error.empty()) {
        report("the journal cannot be read: " + error);
        return;
    }
    notesMaybe_ = false;
    for (const journal::JournalEntry& row : rows) {
        const bool sending = std::any_of(inFlight_.begin(), inFlight_.end(),
                                         [&](const auto& sent) { return sent.second.id == row.id; });
        if (!sending && !parked_.contains(row.id) && inFlight_.size() < settings_.inFlight &&
            !sendRow(row, true)) {
            return;
        }
    }
}

// False when the connection is gone.
bool PublisherLoop::sendRow(const journal::JournalEntry& row, bool update) {
    SentRow sent{row.id, topicOf(settings_.url.prefix, row.serialNumber, journal::kindName(row.event.kind)),
                 row.event.note, update};
    const MessageStamp stamp{++sequence_, journal::journalNow(), row.id <= historicalThrough_, update};
    const MqttPublish publish =
        session_->publish(sent.topic, eventPayload(row, stamp, ledger_.journalId()), false);
    if (publish.connectionLost) {
        drop(publish.refusal);
        return false;
    }
    if (!publish.messageId) {
        park(sent, "the MQTT library refused it (" + publish.refusal + ")");
        return true;
    }
    if (inFlight_.empty()) {
        lastHeard_ = Clock::now();
    }
    inFlight_[*publish.messageId] = std::move(sent);
    return true;
}

// On change, and never more often than the settings allow, whatever happens to the connection.
void PublisherLoop::sendStatus() {
    UnitStatus unit;
    std::uint64_t version = 0;
    {
        const std::lock_guard lock(shared_.mutex);
        unit = shared_.unit;
        version = shared_.unitVersion;
    }
    if (unit.serialNumber.empty() || version == statusSent_ ||
        (statusSentAt_ && Clock::now() - *statusSentAt_ < settings_.statusEvery)) {
        return;
    }
    if (unit.serialNumber != willSerial_) {
        // Another unit: its own status topic needs its own will, set only when connecting.
        drop("", true);
        return;
    }
    const auto topic = topicOf(settings_.url.prefix, unit.serialNumber, "status");
    const MqttPublish publish =
        session_->publish(topic, statusPayload(unit, {++sequence_, journal::journalNow(), false}), true);
    statusSentAt_ = Clock::now();
    if (publish.connectionLost) {
        drop(publish.refusal);
        return;
    }
    if (!publish.messageId) {
        report("the status on " + topic + " was not sent: the MQTT library refused it (" + publish.refusal +
               ")");
    }
    statusSent_ = version;
}

// A broker that takes our bytes and never answers must not hold the rows forever.
void PublisherLoop::checkSilence() {
    const bool waitingForAnswer = !online_ || !inFlight_.empty();
    if (waitingForAnswer && Clock::now() - lastHeard_ > settings_.answerWithin) {
        drop(
            "the broker did not answer within " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(settings_.answerWithin).count()) +
            " s");
    }
}

void PublisherLoop::drop(const std::string& error, bool retryAtOnce) {
    session_.reset();
    online_ = false;
    inFlight_.clear();
    const auto wait = retryAtOnce ? std::chrono::milliseconds(0) : backOff_.next();
    nextAttempt_ = Clock::now() + wait;
    LogBeacon::log("PublisherLoop::drop", Information, L"Link to %hs down (%hs); next attempt in %hs ms",
                   brokerName(settings_.url).c_str(), error.c_str(), std::to_string(wait.count()).c_str());
    if (!error.empty()) {
        report(error);
    }
    setState(LinkState::Offline);
    updateWaiting();
}

// At a clean end the status says so itself: the broker keeps the will for a laptop that vanished.
void PublisherLoop::goodbye() {
    if (!session_) {
        return;
    }
    const auto statusMessage =
        online_ && !willSerial_.empty()
            ? session_->publish(topicOf(settings_.url.prefix, willSerial_, "status"), OfflinePayload, true)
                  .messageId
            : std::nullopt;
    const int awaited = statusMessage.value_or(-1);
    bool acknowledged = awaited < 0;
    const auto until = Clock::now() + GoodbyeWithin;
    while (!acknowledged && Clock::now() < until && session_->loop(NetworkWait).empty()) {
        const MqttEvents events = session_->take();
        acknowledged = std::any_of(events.acknowledged.begin(), events.acknowledged.end(),
                                   [awaited](const MqttAck& ack) { return ack.messageId == awaited; });
        acknowledge(events.acknowledged);
    }
    session_->stop();
    session_.reset();
}

void PublisherLoop::report(const std::string& error) {
    if (error == lastError_) {
        return;
    }
    lastError_ = error;
    toldOnline_ = false;
    LogBeacon::log("PublisherLoop::report", Error, L"Control room link: %hs", error.c_str());
    {
        const std::lock_guard lock(shared_.mutex);
        shared_.status.lastError = error;
    }
    if (settings_.notify) {
        settings_.notify("Control room link: " + error);
    }
}

void PublisherLoop::setState(LinkState state) {
    const std::lock_guard lock(shared_.mutex);
    shared_.status.state = state;
}

void PublisherLoop::updateWaiting() {
    const auto waiting = ledger_.isOpen() ? ledger_.waiting() : std::nullopt;
    if (waiting) {
        const std::lock_guard lock(shared_.mutex);
        shared_.status.waiting = waiting->count;
        shared_.status.waitingSince = waiting->since;
    }
}

}  // namespace quorvex::link
