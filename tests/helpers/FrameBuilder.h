#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quorvex::test {

// A payload: the little-endian event mask followed by the blocks.
std::vector<std::uint8_t> payloadOf(std::uint32_t eventMask, std::initializer_list<std::uint8_t> blocks = {});

// The frame a unit sends for a payload: SOH, XOR checksum, little-endian length, payload, EOT.
std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t>& payload);

}  // namespace quorvex::test
