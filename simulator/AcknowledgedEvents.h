#pragma once

#include "simulator/LinkSender.h"

#include <string>
#include <vector>

namespace quorvex::simulator {

// What a console was told it received, one line per event of an acknowledged frame, in the
// order sent: "passage SECONDS.MICROSECONDS" and "ignored SECONDS.MICROSECONDS" (the unit's time
// of the event), "trigger" for a recording trigger. Other events are not listed.
std::vector<std::string> acknowledgedEvents(const OutgoingFrame& frame);

}  // namespace quorvex::simulator
