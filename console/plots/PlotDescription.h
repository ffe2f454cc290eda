#pragma once

#include "console/plots/AxisHistoryModel.h"
#include "console/plots/HistoryModel.h"

#include <cstdint>
#include <string>

namespace quorvex::console {

// What each plot shows, in words, for screen readers: "History plot, transmitter 1, level 45 %
// of full scale". `firmware` is the unit's version word, which decides where the levels are.
std::string historyDescription(const HistoryModel& model, std::uint16_t firmware);
std::string axisHistoryDescription(const AxisHistoryModel& model);

}  // namespace quorvex::console
