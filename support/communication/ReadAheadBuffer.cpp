#include "support/communication/ReadAheadBuffer.h"

#include <algorithm>
#include <cstring>

namespace zeph::windows::communication {

ReadAheadBuffer::Arrival ReadAheadBuffer::append(const std::uint8_t* bytes, std::size_t length,
                                                 std::uint8_t eventChar) {
    Arrival arrival;
    arrival.eventChar = length != 0 && std::memchr(bytes, eventChar, length) != nullptr;
    const std::size_t kept = std::min(length, kCapacity - std::min(kCapacity, bytes_.size()));
    bytes_.insert(bytes_.end(), bytes, bytes + kept);
    arrival.overflow = kept < length;
    return arrival;
}

std::size_t ReadAheadBuffer::take(std::uint8_t* out, std::size_t length) {
    const std::size_t count = std::min(length, bytes_.size());
    std::copy_n(bytes_.begin(), count, out);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

}  // namespace zeph::windows::communication
