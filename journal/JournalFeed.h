#pragma once

#include "journal/JournalOperation.h"
#include "session/IConsoleView.h"
#include "device/EventRecords.h"
#include "support/platform/WindowTypes.h"

#include <optional>
#include <string>

class IUserInterface;

namespace quorvex::journal {

class Journal;

// Turns the device stack's messages into journal rows: a session from the port's opening to the
// connection's end, the unit once it has answered, and each passage, ignored event and recording
// trigger with the unit's state around it. Lives on the thread of the message loop; without a
// journal it does nothing.
class JournalFeed {
public:
    JournalFeed(Journal* journal, IUserInterface& device) : journal_(journal), device_(device) {}

    // Before the message's record is freed; the port is the one the connection opened.
    void onDeviceMessage(zeph::platform::UINT message, zeph::platform::LPARAM lParam,
                         const std::wstring& port);
    void onConnectionEnded(quorvex::console::ConnectionOutcome outcome, const std::string& reason);

    // The session under way, if any.
    std::optional<SessionToken> session() const { return session_; }
    // The session under way, else the last one of this run.
    std::optional<SessionToken> latestSession() const { return latest_; }

private:
    void addEvent(EventKind kind, const PassageRecord* passage, int channel);

    Journal* journal_;
    IUserInterface& device_;
    std::optional<SessionToken> session_;
    std::optional<SessionToken> latest_;
    // The last GPS fix of this session, for the quality and HDOP beside a passage.
    std::optional<GpsRecord> lastFix_;
};

// The time of the system clock as the journal keeps times.
Microseconds journalNow();

}  // namespace quorvex::journal
