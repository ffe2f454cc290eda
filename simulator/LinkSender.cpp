#include "simulator/LinkSender.h"

#include <algorithm>

namespace quorvex::simulator {

bool LinkSender::waiting(std::uint32_t mask) const {
    return std::any_of(outbox_.begin(), outbox_.end(),
                       [mask](const OutgoingFrame& frame) { return frame.mask == mask; });
}

const OutgoingFrame* LinkSender::nextTransmission() {
    if (!inFlight_) {
        if (outbox_.empty()) {
            return nullptr;
        }
        // Built from its frame: clang does not take a nested struct with member initialisers as
        // default-constructible inside its enclosing class.
        inFlight_ = InFlight{std::move(outbox_.front()), 0, false, std::nullopt};
        outbox_.pop_front();
    }
    if (inFlight_->onLine) {
        return nullptr;
    }
    inFlight_->onLine = true;
    inFlight_->deadline.reset();
    return &inFlight_->frame;
}

void LinkSender::transmitted(Clock::time_point now) {
    if (inFlight_ && inFlight_->onLine && !inFlight_->deadline) {
        inFlight_->deadline = now + replyTimeout_;
    }
}

std::optional<Clock::time_point> LinkSender::replyDeadline() const {
    return inFlight_ ? inFlight_->deadline : std::nullopt;
}

LinkSender::Outcome LinkSender::onReply(LinkReply reply) {
    if (!inFlight_ || !inFlight_->onLine) {
        return {};
    }
    if (reply == LinkReply::NegativeAck && inFlight_->resends < retryLimit_) {
        ++inFlight_->resends;
        inFlight_->onLine = false;
        return {Outcome::Resend, {}};
    }
    Outcome outcome{reply == LinkReply::NegativeAck ? Outcome::Abandoned : Outcome::Accepted,
                    std::move(inFlight_->frame)};
    inFlight_.reset();
    return outcome;
}

std::optional<LinkSender::Outcome> LinkSender::onTime(Clock::time_point now) {
    if (!inFlight_ || !inFlight_->deadline || now < *inFlight_->deadline) {
        return std::nullopt;
    }
    Outcome outcome{Outcome::Unanswered, std::move(inFlight_->frame)};
    inFlight_.reset();
    return outcome;
}

void LinkSender::reset() {
    outbox_.clear();
    inFlight_.reset();
}

}  // namespace quorvex::simulator
