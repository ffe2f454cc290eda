#pragma once

#include <cstdint>
#include <functional>
#include <span>

// Visits the event blocks of an accepted payload (event mask first) as the event layer takes
// them: in ascending bit order, State Info and unknown bits skipped, ending at the first block
// that does not fit. The firmware word sizes the streaming records.
void walkEventBlocks(
    std::span<const std::uint8_t> payload, std::uint16_t firmwareWord,
    const std::function<void(std::uint32_t bit, std::span<const std::uint8_t> block)>& visit);
