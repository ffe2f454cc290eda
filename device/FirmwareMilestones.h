#pragma once

#include <cstdint>

// Minor numbers of the 0.x firmware revisions that changed what the unit sends (see
// firmwareAtLeast): streaming records grew the extra value at 0.91, and at 0.96 the channel codes
// were renumbered and transmitter 7 and level 8 moved forward in each record.
inline constexpr std::uint16_t ExtraValueRevision = 91;
inline constexpr std::uint16_t RenumberedRevision = 96;
