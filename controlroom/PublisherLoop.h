#pragma once

#include "controlroom/BackOff.h"
#include "controlroom/DeliveryLedger.h"
#include "controlroom/JournalLease.h"
#include "controlroom/LinkSettings.h"
#include "controlroom/MqttSession.h"
#include "controlroom/PublisherShared.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace quorvex::link {

// The link's thread: connects with back-off, sends waiting rows in order with a bounded number
// in flight, marks what the broker acknowledged, sends the status on change (not more often than
// the settings allow), and drops a connection on which the broker stays silent.
class PublisherLoop {
public:
    // Rows received from `started` on are the link's to send, when it has never run on this journal.
    PublisherLoop(PublisherShared& shared, const LinkSettings& settings, journal::Microseconds started);
    void run();

private:
    using Clock = std::chrono::steady_clock;

    bool stopping();
    void idle();
    void openLedger();
    void takeLease();
    void attempt();
    void serve();
    // A row in flight: its id and where it went.
    struct SentRow {
        std::int64_t id = 0;
        std::string topic;
        std::string note;
        bool update = false;
    };

    void onConnack(int code);
    void keepIfStable();
    void acknowledge(const std::vector<MqttAck>& acks);
    void park(const SentRow& row, const std::string& reason);
    void sendRows();
    bool sendRow(const journal::JournalEntry& row, bool update = false);
    void sendEditedNotes();
    void sendStatus();
    void checkSilence();
    void drop(const std::string& error, bool retryAtOnce = false);
    void goodbye();
    void report(const std::string& error);
    void setState(LinkState state);
    void updateWaiting();

    PublisherShared& shared_;
    const LinkSettings& settings_;
    const journal::Microseconds started_;
    DeliveryLedger ledger_;
    JournalLease lease_;
    Clock::time_point nextLeaseTry_{};
    Clock::time_point nextLedgerTry_{};
    BackOff backOff_;
    Clock::time_point nextAttempt_{};
    std::unique_ptr<MqttSession> session_;
    bool online_ = false;
    std::optional<Clock::time_point> accepted_;  // until the connection proved stable
    std::string willSerial_;
    std::map<int, SentRow> inFlight_;  // by message id
    std::set<std::int64_t> parked_;    // rows not taken, passed over until the next start
    std::set<std::string> parkReasons_;
    std::int64_t cursor_ = 0;             // the last row looked at on this connection
    std::int64_t historicalThrough_ = 0;  // rows up to this one waited for the connection
    bool maybeMore_ = true;               // rows may wait past the cursor
    bool notesMaybe_ = true;              // a delivered row's note may have been edited
    std::uint64_t sequence_ = 0;          // messages sent by this publisher
    Clock::time_point lastHeard_{};
    std::uint64_t statusSent_ = 0;  // the unit version last sent
    std::optional<Clock::time_point> statusSentAt_;
    std::string lastError_;
    bool toldOnline_ = false;  // "online again" was said since the last error
};

}  // namespace quorvex::link
