#pragma once

#include "controlroom/BackOff.h"
#include "controlroom/DeliveryLedger.h"
#include "controlroom/LinkSettings.h"
#include "controlroom/MqttSession.h"
#include "controlroom/PublisherShared.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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
    void attempt();
    void serve();
    void onConnack(int code);
    void acknowledge(const std::vector<int>& messageIds);
    void sendRows();
    void sendStatus(bool now);
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
    Clock::time_point nextLedgerTry_{};
    BackOff backOff_;
    Clock::time_point nextAttempt_{};
    std::unique_ptr<MqttSession> session_;
    bool online_ = false;
    std::string willSerial_;
    std::map<int, std::int64_t> inFlight_;  // message id -> journal row
    std::int64_t cursor_ = 0;               // the last row sent on this connection
    bool maybeMore_ = true;                 // rows may wait past the cursor
    Clock::time_point lastHeard_{};
    std::uint64_t statusSent_ = 0;  // the unit version last sent
    std::optional<Clock::time_point> statusSentAt_;
    std::string lastError_;
};

}  // namespace quorvex::link
