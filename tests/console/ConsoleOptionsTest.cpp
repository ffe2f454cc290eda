#include "console/CommandPrompts.h"
#include "console/ConsoleOptions.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex::console;

std::string parse(std::vector<std::string> arguments, ConsoleOptions& options) {
    arguments.insert(arguments.begin(), "quorvex-console");
    return parseConsoleOptions(arguments, options);
}

TEST(ConsoleOptionsTest, DebugPortConnectAndASimulatedUnitWithItsOwnOptions) {
    ConsoleOptions options;
    ASSERT_EQ("", parse({"-debug", "--port", "COM3", "--connect"}, options));
    EXPECT_TRUE(options.debug) << "\"-debug\" is one word";
    EXPECT_EQ("COM3", options.port.value_or(""));
    EXPECT_TRUE(options.connect);
    EXPECT_FALSE(options.simulate);

    ConsoleOptions simulated;
    ASSERT_EQ("", parse({"--simulate", "--rate", "150", "--records", "1", "-debug"}, simulated));
    EXPECT_TRUE(simulated.simulate);
    EXPECT_TRUE(simulated.debug);
    EXPECT_EQ(150, simulated.unit.profile.streamRate);
    EXPECT_EQ(1, simulated.unit.profile.recordsPerFrame);

    ConsoleOptions equals;
    ASSERT_EQ("", parse({"--port=/dev/ttyUSB1"}, equals));
    EXPECT_EQ("/dev/ttyUSB1", equals.port.value_or(""));
    ConsoleOptions simulatedEquals;
    ASSERT_EQ("", parse({"--simulate", "--rate=20"}, simulatedEquals));
    EXPECT_EQ(20, simulatedEquals.unit.profile.streamRate);

    // A device path is bytes: one that is not UTF-8 is kept as given.
    ConsoleOptions bytes;
    ASSERT_EQ("", parse({"--port", "/dev/x\xff"}, bytes));
    EXPECT_EQ("/dev/x\xff", bytes.port.value_or(""));

    ConsoleOptions plain;
    ASSERT_EQ("", parse({}, plain));
    EXPECT_FALSE(plain.debug);
    EXPECT_FALSE(plain.port);
}

TEST(ConsoleOptionsTest, BadCommandLinesAreRefusedWithAReason) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--port"}, "port"},
        {{"--port", "ttyUSB0"}, "not a COM port"},
        {{"--connect"}, "--connect needs --port"},
        {{"--port", "COM1", "--simulate"}, "not both"},
        {{"--rate", "5"}, "unit options need --simulate"},
        {{"--simulate", "--rate", "fast"}, "fast"},
        {{"--simulate", "--com", "4"}, "--com auto"},
        {{"-debugx"}, "debugx"},
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--simulate", "--rate"}, "--rate needs a value"},
        {{"--simulate", "stray"}, "unexpected argument \"stray\""},
    };
    for (const auto& [arguments, expected] : rows) {
        ConsoleOptions options;
        const std::string error = parse(arguments, options);
        EXPECT_NE(std::string::npos, error.find(expected)) << arguments.front() << ": " << error;
    }
    ConsoleOptions help;
    EXPECT_EQ("", parse({"--help", "--bogus"}, help));
    EXPECT_TRUE(help.help);
}

TEST(ConsoleOptionsTest, PromptsSplitIntoStatusTextAndToolTip) {
    EXPECT_EQ("Connect to the selected QUORVEX unit", commandPrompt(108).statusTip);
    EXPECT_EQ("Connect", commandPrompt(108).toolTip);
    EXPECT_EQ("Force History WIndows to redraw themselves", commandPrompt(32800).toolTip);
    EXPECT_EQ("Set the working folder", commandPrompt(32783).statusTip);
    EXPECT_EQ("", commandPrompt(32783).toolTip);
    EXPECT_EQ("", commandPrompt(1).statusTip);
}

}  // namespace
