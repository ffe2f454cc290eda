#pragma once

#include "tracker/TrackerOptions.h"

#include <string>

namespace quorvex::tracker {

// `quorvex-tracker run start`: the route file and the run's definition published (retained) to
// the broker, where every tracker takes them. Checked here first, so a bad route or marker is
// refused before anything is sent; "" or why not.
std::string startRunOnBroker(const TrackerOptions& options);

}  // namespace quorvex::tracker
