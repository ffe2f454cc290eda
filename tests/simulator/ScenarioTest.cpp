#include "simulator/Scenario.h"
#include "simulator/SimulatorOptions.h"
#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;

TEST(ControlLines, ReadWhatTheHelpDocuments) {
    ControlAction action;
    for (const char* line :
         {"passage", "passage 3", "passage 3 51.5 -0.1 20", "ignored 0", "trigger 9", "poll", "battery 3300",
          "gain 8 2", "gps 1 2 3 0.9 4", "fault badChecksum 3", "fault missingEot", "fault wrongLength 2",
          "fault garbage 10", "fault wakeFlood", "fault silence 500", "fault noStop", "fault trickle 2 5",
          "fault hangup", "clear"}) {
        EXPECT_EQ(parseControlLine(line, action), "") << line;
        EXPECT_TRUE(action) << line;
    }
    EXPECT_EQ(parseControlLine("  # a comment", action), "");
    EXPECT_FALSE(action);
    for (const char* line : {"passage 11", "passage 1 95 0 0", "gain 10 7", "gain", "battery 70000", "fault",
                             "fault melt", "fault badChecksum x", "poll now", "dance"}) {
        EXPECT_NE(parseControlLine(line, action), "") << line;
        EXPECT_FALSE(action) << line;
    }
}

TEST(ControlLines, ScenarioStepsNameTheLineOfAnError) {
    std::vector<ScenarioStep> steps;
    EXPECT_EQ(parseScenario("# demo\nat 100 passage 2\nevery 250 poll\nfault noStop\n", steps), "");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].at, 100ms);
    EXPECT_EQ(steps[0].text, "passage 2");
    EXPECT_EQ(steps[1].every, 250ms);
    EXPECT_EQ(steps[1].at, 250ms);
    EXPECT_EQ(steps[2].at, 0ms);
    EXPECT_EQ(parseScenario("poll\nat soon poll\n", steps),
              "line 2: a time in milliseconds must follow at or every");
    EXPECT_EQ(parseScenario("\n\nat 5 gain 99\n", steps).rfind("line 3: ", 0), 0u);
    EXPECT_EQ(parseScenario("every 0 poll\n", steps), "line 1: every needs a period above 0");
    EXPECT_EQ(steps.size(), 3u);  // a failed read leaves the steps as they were
}

TEST(ControlLines, AScheduledScenarioRunsOnTheUnit) {
    Rig rig;
    std::vector<ScenarioStep> steps;
    ASSERT_EQ(parseScenario("at 0 passage 2\nevery 20 ignored 1\n", steps), "");
    scheduleScenario(rig.unit, steps);
    rig.initialise();
    EXPECT_EQ(rig.console->readEvent()->mask(), PassageBit);
    for (int i = 0; i < 3; ++i) {
        rig.console->reply(LinkReply::Acknowledge);
        EXPECT_EQ(rig.console->readEvent()->mask(), IgnoredBit);
    }
}

TEST(SimulatorOptionsTest, ReadTheProfileAndRefuseBadValues) {
    SimulatorOptions options;
    const std::vector<std::string_view> args{
        "--model",          "M410",  "--serial",  "42",     "--firmware=V0.0091",
        "--rate",           "20",    "--records", "2",      "--gps",
        "1.5,2.5,3",        "--com", "auto",      "--wake", "3",
        "--battery-period", "0",     "--no-stdin"};
    ASSERT_EQ(parseSimulatorOptions(args, options), "");
    EXPECT_EQ(options.profile.deviceName(), "M410 42");
    EXPECT_EQ(options.profile.firmware, "V0.0091");
    EXPECT_EQ(options.profile.streamRate, 20);
    EXPECT_EQ(options.profile.gps.longitude, 2.5f);
    EXPECT_EQ(options.profile.gps.quality, 3);
    EXPECT_TRUE(options.registerCom);
    EXPECT_FALSE(options.comNumber);
    EXPECT_EQ(options.profile.wakeBytes, 3);
    EXPECT_EQ(options.profile.batteryPeriod, 0ms);
    EXPECT_FALSE(options.readStdin);

    for (const std::vector<std::string_view>& bad : {std::vector<std::string_view>{"--model", "M500"},
                                                     {"--rate", "0"},
                                                     {"--gain", "12", "--clipping", "5"},
                                                     {"--gps", "91,0,0"},
                                                     {"--gps", "1,2"},
                                                     {"--com", "0"},
                                                     {"--records"},
                                                     {"--frobnicate"},
                                                     {"--gain=", "8"},
                                                     {"--model", "M410", "extra"}}) {
        SimulatorOptions rejected;
        EXPECT_NE(parseSimulatorOptions(bad, rejected), "") << bad[0];
    }
}

TEST(SimulatorOptionsTest, LaterOptionsOverrideEarlierOnesInCommandLineOrder) {
    SimulatorOptions options;
    const std::vector<std::string_view> args{"--device", "/dev/ttyS1", "--pty", "--rate=5", "--rate", "7", "-h"};
    ASSERT_EQ(parseSimulatorOptions(args, options), "");
    EXPECT_FALSE(options.device) << "--pty after --device plays on a new pseudo-terminal";
    EXPECT_EQ(options.profile.streamRate, 7);
    EXPECT_TRUE(options.help);

    SimulatorOptions device;
    const std::vector<std::string_view> deviceLast{"--pty", "--device=/dev/ttyS1"};
    ASSERT_EQ(parseSimulatorOptions(deviceLast, device), "");
    EXPECT_EQ(device.device.value_or(""), "/dev/ttyS1");
}

}  // namespace
}  // namespace quorvex::simulator::test
