#include "console/rules/EventTexts.h"

#include "device/ChannelRegistry.h"
#include "device/EventRecords.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace quorvex::console {

std::string passageText(const PassageRecord& passage) {
    const std::time_t seconds = passage.seconds;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    const auto milliseconds = static_cast<int>(std::floor(passage.microseconds * 0.001 + 0.5));
    char text[256];
    std::snprintf(
        text, sizeof text,
        "Pig passage detected at %02d:%02d:%02d.%03d, Latitude = %f, Longitude = %f, Elevation = %f.",
        utc.tm_hour, utc.tm_min, utc.tm_sec, milliseconds, passage.latitude, passage.longitude,
        passage.elevation);
    return text;
}

std::string recordingTriggerText(const RecordTriggeredRecord& trigger) {
    const ChannelRecord* row = ChannelRegistry::find(trigger.channel);
    char text[128];
    if (row == nullptr || row->kind == nullptr) {
        std::snprintf(text, sizeof text, "QUORVEX is recording raw channel[#%i].", trigger.channel);
    } else if (*row->kind == ChannelKind::Magnetic) {
        return "QUORVEX is recording magnetic disturbance.";
    } else if (*row->kind == ChannelKind::Legacy) {
        return "QUORVEX is recording legacy transmitter.";
    } else {
        std::snprintf(text, sizeof text, "QUORVEX is recording Korvid transmitter %i.", trigger.channel);
    }
    return text;
}

}  // namespace quorvex::console
