#pragma once

#include <cstdint>
#include <string_view>

// The channel number of the console's channel list (0 Auto, 1-7 transmitters, 8 Mag, 9 Legacy)
// for a channel code the unit sent: the codes moved between firmware revisions, and the M410
// numbers Mag and Legacy its own way. Codes without a rule come back unchanged.
int mapChannelCode(std::string_view model, std::uint16_t firmwareWord, int code);
