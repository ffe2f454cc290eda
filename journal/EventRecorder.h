#pragma once

#include "device/EventRecords.h"
#include "device/IAcknowledgementGate.h"
#include "journal/JournalOperation.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::journal {

class Journal;

// The name the journal keeps beside a channel number, from the unit's channel table; "" for a
// number the table does not hold.
std::string channelName(int channel);

// Takes the journal's rows where the unit's frames are read: each passage, ignored event and
// recording trigger with the unit's state as read up to its frame (working folder, last GPS fix,
// channel numbering), committed before the frame is acknowledged, waiting at most the bound. It
// begins each connection's session as the port opens. The read thread and the thread of the
// message loop share it.
class EventRecorder final : public IAcknowledgementGate {
public:
    static constexpr std::chrono::milliseconds DefaultBound{50};

    explicit EventRecorder(Journal& journal, std::chrono::milliseconds bound = DefaultBound)
        : journal_(journal), bound_(bound) {}

    void portOpened(const std::wstring& port) override;
    void beforeAcknowledge(std::span<const std::uint8_t> payload) override;
    void afterAccept(std::span<const std::uint8_t> payload) override;

    // The session of the connection under way, if any.
    std::optional<SessionToken> session() const;
    struct EndedSession {
        SessionToken token = 0;
        std::uint64_t kept = 0;  // event rows taken in it
    };
    // Takes the session under way away, so no later frame lands in it.
    std::optional<EndedSession> endSession();

private:
    // The unit as its frames told it so far.
    struct UnitAsRead {
        std::string model;
        std::uint16_t firmware = 0;
        std::array<std::string, 5> folderNames;
        std::uint16_t workingFolder = 0;
        std::optional<GpsRecord> lastFix;
    };

    // Updates the unit's state from the payload and returns the rows of its events.
    std::vector<EventRow> read(std::span<const std::uint8_t> payload);
    EventRow rowOf(EventKind kind, const PassageRecord* passage, int channel) const;

    Journal& journal_;
    const std::chrono::milliseconds bound_;
    mutable std::mutex mutex_;  //!< Guards the session and its count; the unit is the read thread's.
    std::optional<SessionToken> session_;
    std::uint64_t kept_ = 0;
    UnitAsRead unit_;
};

}  // namespace quorvex::journal
