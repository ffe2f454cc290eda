#pragma once

#include "simulator/UnitPort.h"

#include <deque>
#include <optional>

namespace quorvex::simulator {

// The console's answers to a frame, each a control byte and a line feed.
enum class LinkReply { Acknowledge, NegativeAck, PollAck };

struct OutgoingFrame {
    std::uint32_t mask = 0;
    Bytes payload;
};

// The unit's side of the link layer: one frame at a time is on the line and waits for its answer.
// A NAK sends it again, up to the retry limit; no answer within the reply time gives it up.
class LinkSender {
public:
    LinkSender(int retryLimit, std::chrono::milliseconds replyTimeout)
        : retryLimit_(retryLimit), replyTimeout_(replyTimeout) {}

    void enqueue(OutgoingFrame frame) { outbox_.push_back(std::move(frame)); }
    // A frame with this mask waits in the outbox (not yet on the line).
    bool waiting(std::uint32_t mask) const;
    bool busy() const { return inFlight_.has_value() || !outbox_.empty(); }

    // The frame to put on the line now (new, or again after a NAK), if any.
    const OutgoingFrame* nextTransmission();
    // Its last byte has left: the wait for the answer starts.
    void transmitted(Clock::time_point now);
    std::optional<Clock::time_point> replyDeadline() const;

    struct Outcome {
        enum Kind { Stray, Accepted, Resend, Abandoned, Unanswered } kind = Stray;
        OutgoingFrame frame;  // the frame concerned (Accepted, Abandoned, Unanswered)
    };
    Outcome onReply(LinkReply reply);
    // Gives up the frame whose answer is overdue.
    std::optional<Outcome> onTime(Clock::time_point now);

    // Forgets every frame (a new session starts).
    void reset();

private:
    struct InFlight {
        OutgoingFrame frame;
        int resends = 0;
        bool onLine = false;  // handed out for transmission
        std::optional<Clock::time_point> deadline;
    };

    int retryLimit_;
    std::chrono::milliseconds replyTimeout_;
    std::deque<OutgoingFrame> outbox_;
    std::optional<InFlight> inFlight_;
};

}  // namespace quorvex::simulator
