#include "session/PassageTime.h"

#include "device/EventRecords.h"

#include <cmath>
#include <cstdint>

namespace quorvex::console {

zeph::platform::SYSTEMTIME passageUtcTime(const PassageRecord& passage) {
    // Rounded to milliseconds in one count with the seconds, so 999,600 µs carries into the next
    // second (".000", never ".1000").
    const std::int64_t milliseconds =
        std::int64_t{passage.seconds} * 1000 +
        static_cast<std::int64_t>(std::floor(passage.microseconds * 0.001 + 0.5));
    const std::int64_t seconds = milliseconds >= 0 ? milliseconds / 1000 : (milliseconds - 999) / 1000;
    return zeph::platform::utcTimeAt(static_cast<std::time_t>(seconds),
                                     static_cast<std::uint16_t>(milliseconds - seconds * 1000));
}

}  // namespace quorvex::console
