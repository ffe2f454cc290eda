#pragma once

#include "support/platform/LocalTime.h"

struct PassageRecord;

namespace quorvex::console {

// When the passage happened, in UTC, with the sub-second part rounded to milliseconds.
zeph::platform::SYSTEMTIME passageUtcTime(const PassageRecord& passage);

}  // namespace quorvex::console
