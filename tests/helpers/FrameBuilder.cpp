#include "tests/helpers/FrameBuilder.h"

#include <algorithm>

namespace quorvex::test {

std::vector<std::uint8_t> payloadOf(std::uint32_t eventMask, std::initializer_list<std::uint8_t> blocks) {
    std::vector<std::uint8_t> payload(4 + blocks.size());
    for (std::size_t i = 0; i < 4; ++i) {
        payload[i] = static_cast<std::uint8_t>(eventMask >> (8 * i));
    }
    std::copy(blocks.begin(), blocks.end(), payload.begin() + 4);
    return payload;
}

std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t>& payload) {
    const auto low = static_cast<std::uint8_t>(payload.size() & 0xFF);
    const auto high = static_cast<std::uint8_t>((payload.size() >> 8) & 0xFF);
    std::uint8_t checksum = low ^ high;
    for (const std::uint8_t byte : payload) {
        checksum ^= byte;
    }
    std::vector<std::uint8_t> frame(payload.size() + 5);
    frame[0] = 0x01;
    frame[1] = checksum;
    frame[2] = low;
    frame[3] = high;
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    frame.back() = 0x04;
    return frame;
}

}  // namespace quorvex::test
