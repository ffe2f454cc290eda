#pragma once

#include <cstdint>
#include <span>
#include <string>

// What the read thread tells a keeper of the unit's events, so that an event the unit is
// acknowledged for is kept where the frame is read, not where the window shows it. Called on the
// stack's threads; an implementation must be safe to call from them.
class IAcknowledgementGate {
public:
    // The port is open and the link threads are about to start: a new connection begins.
    virtual void portOpened(const std::wstring& port) = 0;
    // An accepted frame carrying a passage, an ignored event or a recording trigger, before its
    // acknowledgement is written: returns once its events are kept, or a bounded time passed.
    virtual void beforeAcknowledge(std::span<const std::uint8_t> payload) = 0;
    // Any other accepted frame, after its reply: the unit's state the next events are kept with.
    virtual void afterAccept(std::span<const std::uint8_t> payload) = 0;

    // Whether the frame's events must be kept before it is acknowledged.
    static bool mustKeep(std::span<const std::uint8_t> payload);

protected:
    ~IAcknowledgementGate() = default;
};
