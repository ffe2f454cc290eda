#include "tests/cli/CliFixture.h"

#include <algorithm>

using namespace quorvex::test;

namespace {

std::size_t countOf(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

}  // namespace

TEST_F(CliTest, APortThatDoesNotExistFailsTheConnection) {
    cli_ = std::make_unique<ChildProcess>(
        QUORVEX_CLI_PROGRAM, std::vector<std::string>{"--port", "/dev/quorvex-none"},
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()}});
    expectEvent("connect", {"\"error\":2"});
    expectEvent("messageBox", {"Failed to connect!"});
    EXPECT_EQ(1, cli_->waitForExit());
    EXPECT_TRUE(contains(cli_->errorText(), "Failed to connect! error 2 (")) << cli_->errorText();
}

TEST_F(CliTest, AUnitThatNeverAnswersRequestInitIsNotConnected) {
    startUnit();
    unit_->injectFault({quorvex::simulator::FaultKind::Silence});
    startClient();
    expectEvent("failedToReceiveResponse", {"\"command\":\"REQINIT\"", "\"error\":258"});
    expectEvent("messageBox", {"Failed to connect!"});
    expectEvent("disconnect");
    EXPECT_EQ(1, cli_->waitForExit());
    EXPECT_TRUE(contains(
        debugLog(),
        "[0x52 0x45 0x51 0x49 0x4E 0x49 0x54 0x0A] Failed to receive response  Reason: WAIT_TIMEOUT\n"));
}

TEST_F(CliTest, FirmwareOutsideTheWindowIsRefused) {
    auto profile = quietProfile();
    profile.firmware = "V0.0099";
    startUnit(profile);
    startClient();
    expectEvent("messageBox",
                {"incompatible version of the firmware.\\n\\nMinimum supported version 0.0085\\n"
                 "Maximum supported version 0.0098\\n\\nCurrent Version 0.0099"});
    expectEvent("disconnect", {"\"error\":0"});
    EXPECT_EQ(4, cli_->waitForExit());
    EXPECT_EQ(0u, countOf(linesOnWire(), "START")) << "an incompatible unit is never started";
}

TEST_F(CliTest, ARevisionBeyondTheWordIsRefusedAsTheLargestNotWrappedIntoTheWindow) {
    // 4186 cut to 12 bits would be 90, inside the window.
    auto profile = quietProfile();
    profile.firmware = "V0.4186";
    startUnit(profile);
    startClient();
    expectEvent("init", {"\"firmware\":\"0.4095\""});
    expectEvent("messageBox", {"Current Version 0.4095"});
    EXPECT_EQ(4, cli_->waitForExit());
    EXPECT_EQ(0u, countOf(linesOnWire(), "START"));
    EXPECT_TRUE(contains(debugLog(), "Firmware revision [V0.4186] is beyond the largest minor number"))
        << debugLog();
}

TEST_F(CliTest, AHangUpEndsTheSessionWithItsError) {
    startStreamingSession();
    control("fault hangup");
    const auto disconnected = expectEvent("disconnect");
    const auto code = cli_->waitForExit();
    ASSERT_TRUE(code.has_value());
    // The read thread sees the hang-up, unless the two-second GPS request hits the dead line first.
    if (contains(disconnected.second, "\"error\":1167")) {
        EXPECT_EQ(3, *code);
        EXPECT_TRUE(contains(cli_->errorText(), "link lost: error 1167 (")) << cli_->errorText();
    } else {
        EXPECT_EQ(4, *code) << disconnected.second;
        EXPECT_TRUE(contains(cli_->errorText(), "Unable to communicate with the QUORVEX device!"))
            << cli_->errorText();
    }
}

TEST_F(CliTest, ThreeConsecutiveBadFramesEndTheLink) {
    startStreamingSession();
    control("fault badChecksum 1000");
    expectEvent("disconnect", {"\"error\":30"});
    EXPECT_EQ(3, cli_->waitForExit());
    EXPECT_TRUE(contains(debugLog(), "consecutive NAKs."));
}

TEST_F(CliTest, AStreamThatWillNotStopIsGivenUpWithTheErrorBox) {
    startStreamingSession();
    control("fault noStop");
    cli_->sendLine("stopStreaming");
    expectEvent("errorBox", {"Unable to stop streaming!  Disconnecting from the QUORVEX device."});
    expectEvent("disconnect");
    EXPECT_EQ(3, cli_->waitForExit()) << cli_->errorText();
    EXPECT_TRUE(contains(cli_->errorText(), "Unable to stop streaming!")) << cli_->errorText();
    EXPECT_TRUE(contains(debugLog(), "Unable to stop streaming data, disconnecting from QUORVEX unit.\n"));
}

TEST_F(CliTest, ASilentUnitInCommandModeIsDisconnectedAfterTheCheckPeriod) {
    startStreamingSession();
    cli_->sendLine("stopStreaming");
    expectEvent("streamingStopped");
    control("fault silence");
    // The full command-mode period of the health check (10240 ms) runs here.
    const auto found =
        cli_->waitForLine([](const std::string& line) { return contains(line, "{\"event\":\"disconnect\""); },
                          0, std::chrono::seconds(40));
    ASSERT_TRUE(found.has_value()) << cli_->errorText();
    EXPECT_TRUE(contains(found->second, "\"error\":30")) << found->second;
    EXPECT_EQ(3, cli_->waitForExit());
}

TEST(CliCommandLine, BadOptionsAreRefusedWithUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--port"},
                                                                  {"--port", "COM3", "--simulate"},
                                                                  {"--port", "ttyS0"},
                                                                  {"--rate", "5"},
                                                                  {"--simulate", "--rate", "fast"}}) {
        ChildProcess cli(QUORVEX_CLI_PROGRAM, args);
        EXPECT_EQ(2, cli.waitForExit()) << args.size();
        EXPECT_TRUE(cli.waitForError("Try quorvex-cli --help.")) << cli.errorText();
    }
    ChildProcess help(QUORVEX_CLI_PROGRAM, {"--help"});
    EXPECT_EQ(0, help.waitForExit());
    EXPECT_TRUE(help.waitForLine([](const std::string& line) { return contains(line, "Exit codes:"); }));
}

TEST(CliWithSimulatorProgram, TheClientRunsAgainstQuorvexSimOnAComPort) {
    TemporaryFolder ports;
    TemporaryFolder logs;
    ChildProcess sim(QUORVEX_SIM_PROGRAM,
                     {"--com", "auto", "--port-dir", ports.path().string(), "--battery-period", "0"});
    const auto announced = sim.waitForLine([](const std::string& line) { return contains(line, "(COM"); });
    ASSERT_TRUE(announced.has_value()) << sim.errorText();
    const std::string com = announced->second.substr(announced->second.find("(COM") + 1, 4);
    ChildProcess cli(QUORVEX_CLI_PROGRAM, {"--port", com},
                     {{"TEMP", logs.path().string()}, {"QUORVEX_PORT_DIR", ports.path().string()}});
    ASSERT_TRUE(cli.waitForLine([](const std::string& line) { return contains(line, "\"first\":true"); }))
        << cli.errorText();
    sim.sendLine("passage 1");
    EXPECT_TRUE(
        cli.waitForLine([](const std::string& line) { return contains(line, "{\"event\":\"passage\""); }));
    cli.sendLine("disconnect");
    EXPECT_EQ(0, cli.waitForExit());
    sim.sendLine("quit");
    EXPECT_EQ(0, sim.waitForExit());
}

TEST(CliSimulated, TheBuiltInUnitGivesALiveSession) {
    TemporaryFolder logs;
    ChildProcess cli(QUORVEX_CLI_PROGRAM, {"--simulate", "--battery-period", "0"},
                     {{"TEMP", logs.path().string()}});
    ASSERT_TRUE(cli.waitForLine([](const std::string& line) { return contains(line, "\"first\":true"); }))
        << cli.transcript();
    cli.sendLine("sim passage");
    EXPECT_TRUE(cli.waitForLine([](const std::string& line) {
        return contains(line, "Pig passage detected at");
    })) << cli.transcript();
    cli.sendLine("quit");
    EXPECT_EQ(0, cli.waitForExit());
}
