#include "controlroom/LinkPayload.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvex::link {
namespace {

bool has(const std::string& json, const std::string& field) {
    return json.find(field) != std::string::npos;
}

// The unit sends coordinates as 4-byte floats: the control room reads the digits the exports and
// the log line give them, not the double's noise ("51.5000114440918").
TEST(LinkPayload, CoordinatesCarryTheExportsDigits) {
    journal::JournalEntry entry;
    entry.id = 7;
    entry.event.latitude = static_cast<double>(51.500011F);
    entry.event.longitude = static_cast<double>(-0.1234F);
    entry.event.elevation = static_cast<double>(12.3F);
    entry.event.hdop = static_cast<double>(0.9F);
    const std::string event = eventPayload(entry, {}, "");
    EXPECT_TRUE(has(event, R"("latitude":51.500011,"longitude":-0.1234,)")) << event;
    EXPECT_TRUE(has(event, R"("elevation":12.3,)")) << event;
    EXPECT_TRUE(has(event, R"("hdop":0.9,)")) << event;

    UnitStatus unit;
    unit.latitude = static_cast<double>(52.52F);
    unit.longitude = 13.405;  // no float holds it: written as the number it is
    const std::string status = statusPayload(unit, {});
    EXPECT_TRUE(has(status, R"("latitude":52.52,"longitude":13.405})")) << status;
}

}  // namespace
}  // namespace quorvex::link
