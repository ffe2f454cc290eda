#include "console/StatusPanes.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex::console;

// Not connected, the battery and GPS panes have no tip: the last reading's would be stale.
TEST(StatusPanesTest, TheBatteryPaneByLevelBlinksOnlyBelowFiveAndAQuarter) {
    EXPECT_EQ((PaneImage{"battery-unknown", ""}), batteryPaneOf(false, 1.0).image);
    EXPECT_FALSE(batteryPaneOf(false, 1.0).low) << "no blinking while not connected";
    const std::pair<double, PaneImage> rows[] = {
        {47.0, {"battery-full", "Fully charged"}}, {8.0, {"battery-full", "Fully charged"}},
        {7.99, {"battery-75", "75% remaining"}},   {7.25, {"battery-75", "75% remaining"}},
        {7.0, {"battery-50", "50% remaining"}},    {6.5, {"battery-50", "50% remaining"}},
        {6.0, {"battery-25", "25% remaining"}},    {5.25, {"battery-25", "25% remaining"}},
        {5.24, {"battery-low", "Low Battery"}},    {0.0, {"battery-low", "Low Battery"}},
    };
    for (const auto& [level, image] : rows) {
        EXPECT_EQ(image, batteryPaneOf(true, level).image) << level;
        EXPECT_EQ(level < 5.25, batteryPaneOf(true, level).low) << level;
    }
}

TEST(StatusPanesTest, TheGpsPaneBySignalQuality) {
    EXPECT_EQ((PaneImage{"gps-none", ""}), gpsPaneOf(false, 4));
    EXPECT_EQ((PaneImage{"gps-none", "Disconnected"}), gpsPaneOf(true, 0));
    EXPECT_EQ((PaneImage{"gps-poor", "Poor"}), gpsPaneOf(true, 1));
    EXPECT_EQ((PaneImage{"gps-fair", "Fair"}), gpsPaneOf(true, 2));
    EXPECT_EQ((PaneImage{"gps-good", "Good"}), gpsPaneOf(true, 3));
    EXPECT_EQ((PaneImage{"gps-excellent", "Excellent"}), gpsPaneOf(true, 4));
    EXPECT_EQ((PaneImage{"gps-none", "Disconnected"}), gpsPaneOf(true, 5));
}

// A cable unit's pane has no tip of its own: a Bluetooth unit's "Connected" must not stay on it.
TEST(StatusPanesTest, TheConnectionPaneHasATipOnlyForABluetoothUnit) {
    EXPECT_EQ((PaneImage{"connection-serial-off", ""}), connectionPaneOf(false, false, true));
    EXPECT_EQ((PaneImage{"connection-serial-on", ""}), connectionPaneOf(true, false, false));
    EXPECT_EQ((PaneImage{"bluetooth-connected", "Connected"}), connectionPaneOf(true, true, false));
    EXPECT_EQ((PaneImage{"bluetooth-enabled", "Enabled"}), connectionPaneOf(false, true, true));
    EXPECT_EQ((PaneImage{"bluetooth-disabled", "Disabled"}), connectionPaneOf(false, true, false));
}

}  // namespace
