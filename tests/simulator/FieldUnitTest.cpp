#include "device/EventBlockDecoder.h"
#include "simulator/Scenario.h"
#include "simulator/ShippedScenarios.h"
#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;

SimulatorOptions parsed(std::vector<std::string_view> args) {
    SimulatorOptions options;
    EXPECT_EQ(parseSimulatorOptions(args, options), "") << args.front();
    return options;
}

std::vector<std::string> stepTexts(const SimulatorOptions& options) {
    std::vector<ScenarioStep> steps;
    EXPECT_EQ(scenarioSteps(options, steps), "");
    std::vector<std::string> texts;
    for (const ScenarioStep& step : steps) {
        texts.push_back(step.text);
    }
    return texts;
}

TEST(DemoOptions, TheDemoIsAUnitWhosePartsLaterOptionsOverride) {
    const SimulatorOptions demo = parsed({"--demo"});
    EXPECT_EQ(demo.profile.streamRate, 15);
    EXPECT_EQ(demo.profile.recordsPerFrame, 1);
    EXPECT_TRUE(demo.profile.fieldSignals && demo.profile.autoRecord && demo.profile.gpsWander);
    EXPECT_EQ(demo.profile.batteryDrainPerHour, 40);
    EXPECT_EQ(stepTexts(demo), (std::vector<std::string>{"field", "pig 1", "pig 3"}));

    const SimulatorOptions overridden =
        parsed({"--demo", "--rate", "20", "--battery=700", "--scenario", "two-pigs.scenario"});
    EXPECT_EQ(overridden.profile.streamRate, 20);
    EXPECT_EQ(overridden.profile.recordsPerFrame, 1);
    EXPECT_EQ(overridden.profile.batteryRaw, 700);
    EXPECT_EQ(stepTexts(overridden), (std::vector<std::string>{"field", "pig 1", "pig 1"}));
    // Before it, an option is one of the parts the demo sets.
    EXPECT_EQ(parsed({"--rate", "20", "--scenario", "two-pigs", "--demo"}).profile.streamRate, 15);
    EXPECT_EQ(stepTexts(parsed({"--scenario", "two-pigs", "--demo"})).size(), 3u);

    // Without it, the unit of every earlier test: a test pattern, no schedule.
    const SimulatorOptions plain = parsed({"--rate", "10"});
    EXPECT_FALSE(plain.profile.fieldSignals || plain.profile.autoRecord || plain.profile.gpsWander);
    EXPECT_TRUE(stepTexts(plain).empty());
    std::vector<ScenarioStep> steps;
    EXPECT_EQ(scenarioSteps(parsed({"--scenario", "no-such-scenario"}), steps),
              "cannot read the scenario file no-such-scenario");
}

TEST(DemoOptions, EveryShippedScenarioReadsAndSaysWhatItPlays) {
    std::set<std::string_view> names;
    const std::string help = scenarioHelp();
    for (const ShippedScenario& scenario : shippedScenarios()) {
        names.insert(scenario.name);
        std::vector<ScenarioStep> steps;
        EXPECT_EQ(parseScenario(scenario.text, steps), "") << scenario.name;
        EXPECT_FALSE(steps.empty()) << scenario.name;
        const std::string_view description = scenarioDescription(scenario);
        EXPECT_GT(description.size(), 20u) << scenario.name;
        EXPECT_LT(description.size(), 100u) << scenario.name;
        EXPECT_NE(help.find(std::string(scenario.name) + " "), std::string::npos) << scenario.name;
        EXPECT_NE(help.find(description), std::string::npos) << scenario.name;
    }
    EXPECT_EQ(names, (std::set<std::string_view>{"demo", "weak-signal", "two-pigs", "magnetic-pig",
                                                 "battery-low", "link-drop"}));
    std::vector<ScenarioStep> steps;
    ASSERT_EQ(parseScenario("at 5000 every 40000 pig 1\nat 7 pig 2 3 0.5\n", steps), "");
    EXPECT_EQ(steps[0].at, 5000ms);
    EXPECT_EQ(steps[0].every, 40000ms);
    EXPECT_EQ(steps[1].every, 0ms);
    EXPECT_EQ(parseScenario("at 5 every soon pig\n", steps),
              "line 1: a time in milliseconds must follow at or every");
    ControlAction action;
    for (const char* bad : {"pig 0", "pig 10", "pig 1 0", "pig 1 1.5 0", "pig 1 1.5 1.5 x", "channel",
                            "channel 10", "field 1"}) {
        EXPECT_NE(parseControlLine(bad, action), "") << bad;
    }
}

// The unit listens on channel 1 (Auto): a pig there is a passage, one on channel 3 an ignored
// event; a magnetised pig goes unheard off the Mag channel, and so does a weak pig two steps of
// gain down. All pass at once, 10 s after they are sent.
TEST(FieldUnit, ReportsWhatItHearsOfEachPigAtItsClosestApproach) {
    Rig rig;
    rig.initialise();
    rig.ask("DECGAIN");
    rig.ask("DECGAIN");
    for (const char* pig : {"pig 1", "pig 3", "pig 8", "pig 1 3"}) {
        ControlAction action;
        ASSERT_EQ(parseControlLine(pig, action), "");
        action(rig.unit);
    }
    std::multiset<std::pair<std::uint32_t, int>> heard;
    for (int i = 0; i < 2; ++i) {
        const auto frame = rig.console->readFrame(96 << 4, 15s);
        ASSERT_TRUE(frame.has_value());
        rig.console->reply(LinkReply::Acknowledge);
        heard.insert({frame->mask(), EventBlockDecoder::passage(frame->block()).values[3]});
    }
    EXPECT_EQ(heard,
              (std::multiset<std::pair<std::uint32_t, int>>{{PassageBit, channelCodeFor("M450", 96, 1)},
                                                            {IgnoredBit, channelCodeFor("M450", 96, 3)}}));
    EXPECT_FALSE(rig.console->readFrame(96 << 4, 1s).has_value()) << "nothing more";
}

}  // namespace
}  // namespace quorvex::simulator::test
