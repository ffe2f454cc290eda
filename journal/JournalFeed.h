#pragma once

#include "device/EventRecords.h"
#include "journal/EventRecorder.h"
#include "session/IConsoleView.h"
#include "support/platform/WindowTypes.h"

#include <cstdint>
#include <optional>
#include <string>

class IUserInterface;

namespace quorvex::journal {

class Journal;

// Follows the device stack's messages for the journal: the unit once it has answered, and the
// end of each connection's session. The rows of passages, ignored events and recording triggers
// are taken where the frames are read (EventRecorder, installed in the stack while this lives);
// here the window's messages are only counted against them, so that rows the window never showed
// (a purge at a disconnection) are told. Lives on the thread of the message loop; without a
// journal it does nothing.
class JournalFeed {
public:
    // The acknowledgement of an event waits for its row at most `wait`.
    JournalFeed(Journal* journal, IUserInterface& device,
                std::chrono::milliseconds wait = EventRecorder::DefaultBound);
    ~JournalFeed();
    JournalFeed(const JournalFeed&) = delete;
    JournalFeed& operator=(const JournalFeed&) = delete;

    // Before the message's record is freed; the port is the one the connection opened.
    void onDeviceMessage(zeph::platform::UINT message, zeph::platform::LPARAM lParam,
                         const std::wstring& port);
    // Ends the session; returns the operator's notice of rows the window never showed, or "".
    std::string onConnectionEnded(quorvex::console::ConnectionOutcome outcome, const std::string& reason);

    // The session under way, if any.
    std::optional<SessionToken> session() const { return session_; }
    // The session under way, else the last one of this run.
    std::optional<SessionToken> latestSession() const { return latest_; }

private:
    Journal* journal_;
    IUserInterface& device_;
    std::optional<EventRecorder> recorder_;
    std::optional<SessionToken> session_;
    std::optional<SessionToken> latest_;
    std::uint64_t shown_ = 0;  // event messages of this session the window handled
};

// The time of the system clock as the journal keeps times.
Microseconds journalNow();

}  // namespace quorvex::journal
