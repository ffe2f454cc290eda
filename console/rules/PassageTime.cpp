#include "console/rules/PassageTime.h"

#include "device/EventRecords.h"

#include <cmath>

namespace quorvex::console {

zeph::platform::SYSTEMTIME passageUtcTime(const PassageRecord& passage) {
    const auto milliseconds = static_cast<std::uint16_t>(std::floor(passage.microseconds * 0.001 + 0.5));
    return zeph::platform::utcTimeAt(static_cast<std::time_t>(passage.seconds), milliseconds);
}

}  // namespace quorvex::console
