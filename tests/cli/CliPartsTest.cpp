#include "cli/CliOptions.h"
#include "cli/EventDescription.h"
#include "cli/JsonObject.h"
#include "cli/OperatorCommand.h"

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
    for (const char* line : {"selectChannel", "selectChannel 10", "selectChannel -1", "selectChannel 2x",
                             "setWorkingFolder 0", "setWorkingFolder 6", "setWorkingFolder 1 2", "incgain",
                             "stopStreaming now", "wait", "wait -5", "wait 99999999999", "state please"}) {
        EXPECT_NE("", parseOperatorCommand(line, command)) << line;
        EXPECT_EQ(&IUserInterface::decGain, command.call) << line;
    }
}

TEST(JsonObjectTest, EscapesAnyBytesIntoValidJson) {
    EXPECT_EQ(R"("a\"b\\c\n\u0001\u00e9\u007f")", JsonObject::quoted("a\"b\\c\n\x01\xe9\x7f"));
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

TEST(CliOptionsTest, PortsAreComNumbersOrDevicePaths) {
    EXPECT_EQ(L"\\\\.\\COM3", devicePathOf("COM3"));
    EXPECT_EQ(L"\\\\.\\COM12", devicePathOf("com12"));
    EXPECT_EQ(L"/dev/pts/7", devicePathOf("/dev/pts/7"));
    EXPECT_EQ(L"", devicePathOf("ttyUSB0"));
}
