#include "cli/CliOptions.h"
#include "cli/EventDescription.h"
#include "cli/JsonObject.h"
#include "cli/OperatorCommand.h"
#include "support/communication/PortDirectory.h"
#include "support/program/PortOption.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quorvex::cli;

TEST(OperatorCommandTest, ReadsEveryOperationAndItsArgument) {
    OperatorCommand command;
    ASSERT_EQ("", parseOperatorCommand("  incGain  ", command));
    EXPECT_EQ(OperatorCommand::Kind::Device, command.kind);
    EXPECT_EQ(&IUserInterface::incGain, command.call);

    ASSERT_EQ("", parseOperatorCommand("selectChannel 9", command));
    EXPECT_EQ(&IUserInterface::selectChannel, command.callWith);
    EXPECT_EQ(9, command.argument);

    ASSERT_EQ("", parseOperatorCommand("setWorkingFolder 5", command));
    EXPECT_EQ(&IUserInterface::setWorkingFolder, command.callWith);
    EXPECT_EQ(5, command.argument);

    ASSERT_EQ("", parseOperatorCommand("wait 250", command));
    EXPECT_EQ(std::chrono::milliseconds(250), command.wait);

    ASSERT_EQ("", parseOperatorCommand("sim gain 9 1", command));
    EXPECT_EQ(OperatorCommand::Kind::Unit, command.kind);
    EXPECT_EQ(" gain 9 1", command.unitControl);

    ASSERT_EQ("", parseOperatorCommand("# a comment", command));
    EXPECT_EQ(OperatorCommand::Kind::None, command.kind);
}

TEST(OperatorCommandTest, RefusesBadLinesAndKeepsTheCommandItHad) {
    OperatorCommand command;
    ASSERT_EQ("", parseOperatorCommand("decGain", command));
    for (const char* line :
         {"sim", "  sim  ", "selectChannel", "selectChannel 10", "selectChannel -1", "selectChannel 2x",
          "setWorkingFolder 0", "setWorkingFolder 6", "setWorkingFolder 1 2", "incgain", "stopStreaming now",
          "wait", "wait -5", "wait 99999999999", "state please"}) {
        EXPECT_NE("", parseOperatorCommand(line, command)) << line;
        EXPECT_EQ(&IUserInterface::decGain, command.call) << line;
    }
}

TEST(JsonObjectTest, EscapesAnyBytesIntoValidJson) {
    // A byte that is no UTF-8 stays visible as itself, not read as Latin-1 (so "é" sent as UTF-8
    // is never turned into "Ã©").
    EXPECT_EQ(R"("a\"b\\c\n\u0001\\xE9\u007f")", JsonObject::quoted("a\"b\\c\n\x01\xe9\x7f"));
    EXPECT_EQ("\"\xC3\xA9\"", JsonObject::quoted("\xC3\xA9"));
    const std::string line = JsonObject()
                                 .text("t", "x")
                                 .flag("f", true)
                                 .integer("i", -3)
                                 .real("r", 0.5)
                                 .real("nan", std::nan(""))
                                 .real("inf", std::numeric_limits<double>::infinity())
                                 .integers<int>("l", std::vector<int>{1, 2})
                                 .object("o", JsonObject())
                                 .str();
    EXPECT_EQ(R"({"t":"x","f":true,"i":-3,"r":0.5,"nan":null,"inf":null,"l":[1,2],"o":{}})", line);
}

namespace {

std::string parse(const std::vector<std::string_view>& args, CliOptions& options) {
    return parseCliOptions(args, options);
}

}  // namespace

TEST(CliOptionsTest, ErrorsNameTheOffendingOption) {
    const std::pair<std::vector<std::string_view>, std::string> rows[] = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--simulate", "--rat", "5"}, "unknown option \"--rat\""},
        {{"--port"}, "--port needs a port: COMn or a device path"},
        {{"--port="}, "--port needs a port: COMn or a device path"},
        {{"--simulate", "--rate"}, "--rate needs a value"},
        {{"--simulate", "--rate", "--pty"}, "--rate needs a value"},
        {{"--simulate", "--pty=yes"}, "--pty takes no value"},
        {{"--simulate", "sim"}, "unexpected argument \"sim\""},
        {{"--port", "COM3", "--rate", "5"}, "unknown option --rate (unit options need --simulate)"},
        {{"--port", "COM3", "--simulate"}, "give either --port PORT or --simulate"},
        {{}, "give either --port PORT or --simulate"},
        {{"--port", "ttyS0"}, "--port ttyS0: not a COM port (COM3) or a device path (/dev/ttyUSB0)"},
        {{"--simulate", "--rate=0"}, "bad value \"0\" for --rate"},
        {{"--simulate", "--com", "3"}, "--com N belongs to quorvex-sim; with --simulate use --com auto"},
        {{"--simulate", "--journal-wait", "0"}, "--journal-wait takes milliseconds, 1 to 60000"},
        {{"--simulate", "--journal-wait", "50ms"}, "--journal-wait takes milliseconds, 1 to 60000"},
        {{"--simulate", "--journal-wait", "60001"}, "--journal-wait takes milliseconds, 1 to 60000"},
    };
    for (const auto& [args, expected] : rows) {
        CliOptions options;
        EXPECT_EQ(expected, parse(args, options)) << (args.empty() ? "(none)" : args.front());
    }
}

TEST(CliOptionsTest, ValuesFollowOrAreJoinedAndTheLastOneCounts) {
    CliOptions simulated;
    ASSERT_EQ("",
              parse({"--simulate", "--rate=10", "--records", "2", "--rate", "20", "--no-stdin"}, simulated));
    EXPECT_TRUE(simulated.simulate);
    EXPECT_EQ(20, simulated.unit.profile.streamRate);
    EXPECT_EQ(2, simulated.unit.profile.recordsPerFrame);
    EXPECT_FALSE(simulated.unit.readStdin);
    EXPECT_EQ(50, simulated.journalWait.count()) << "the acknowledgement's default wait for the disk";
    CliOptions waiting;
    ASSERT_EQ("", parse({"--simulate", "--journal-wait=250"}, waiting));
    EXPECT_EQ(250, waiting.journalWait.count());

    CliOptions joined;
    ASSERT_EQ("", parse({"--port=/dev/ttyUSB0"}, joined));
    EXPECT_EQ("/dev/ttyUSB0", joined.port.value_or(""));

    CliOptions help;
    ASSERT_EQ("", parse({"-h"}, help));
    EXPECT_TRUE(help.help);
    CliOptions version;
    ASSERT_EQ("", parse({"--version"}, version));
    EXPECT_TRUE(version.version);
}

// A device path is bytes: one that is not UTF-8 names the same file after the stack's round trip.
TEST(CliOptionsTest, APortPathThatIsNotUtf8IsOpenedAsGiven) {
    CliOptions options;
    ASSERT_EQ("", parse({"--port", "/dev/serial/x\xFF"}, options));
    const auto file = zeph::windows::communication::PortDirectory("/nonexistent")
                          .fileOf(quorvex::program::devicePathOf(*options.port));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ("/dev/serial/x\xFF", file->string());
}
