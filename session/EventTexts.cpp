#include "session/EventTexts.h"

#include "session/PassageTime.h"

#include "device/ChannelRegistry.h"
#include "device/EventRecords.h"
#include "support/platform/CLocaleScope.h"

#include <cstdio>

namespace quorvex::console {

std::string passageText(const PassageRecord& passage) {
    const zeph::platform::SYSTEMTIME utc = passageUtcTime(passage);
    char text[256];
    const zeph::platform::CLocaleScope cLocale;
    std::snprintf(
        text, sizeof text,
        "Pig passage detected at %02d:%02d:%02d.%03d, Latitude = %f, Longitude = %f, Elevation = %f.",
        utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds, passage.latitude, passage.longitude,
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
