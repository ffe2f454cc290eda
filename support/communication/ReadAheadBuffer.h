#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace zeph::windows::communication {

// The bytes a port wait has read from the device while looking for its events, kept in
// arrival order until a read takes them. Bounded: a line that never sends the event character
// cannot grow it without limit; bytes beyond the bound are dropped as a UART's full input queue
// drops them, and the overflow is reported.
class ReadAheadBuffer {
public:
    // Far above any frame of the unit and the 2048-byte queue a Windows driver keeps.
    static constexpr std::size_t kCapacity = 64 * 1024;

    struct Arrival {
        bool eventChar = false;  // the event character was among the bytes
        bool overflow = false;   // some bytes did not fit and were dropped
    };

    // Appends what fits; every byte, kept or not, is scanned for the event character.
    Arrival append(const std::uint8_t* bytes, std::size_t length, std::uint8_t eventChar);

    // Moves up to length bytes from the front into out; returns how many.
    std::size_t take(std::uint8_t* out, std::size_t length);

    std::size_t size() const { return bytes_.size(); }
    void clear() { bytes_.clear(); }

private:
    std::deque<std::uint8_t> bytes_;
};

}  // namespace zeph::windows::communication
