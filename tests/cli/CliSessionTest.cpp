#include "tests/cli/CliFixture.h"

#include <algorithm>
#include <csignal>
#include <filesystem>

using namespace quorvex::test;

namespace {

std::vector<std::string> commandsOnly(const std::vector<std::string>& lines) {
    std::vector<std::string> commands;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(commands),
                 [](const std::string& line) { return !line.empty() && std::isupper(line[0]); });
    return commands;
}

std::size_t countOf(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

}  // namespace

TEST_F(CliTest, AWholeSessionFollowsTheConsolesFlowAndEndsCleanly) {
    startStreamingSession();
    const auto init = expectEvent("init", {"\"deviceName\":\"M450 123456\"", "\"firmware\":\"0.0096\""});
    EXPECT_TRUE(contains(init.second, "\"connection\":\"Connected\"")) << init.second;

    // The road of one command: the operator's line, the stack's queue, the wire, the unit's event.
    cli_->sendLine("incGain");
    const auto gain = expectEvent("gain", {"\"gain\":9", "\"clipping\":0"});
    EXPECT_TRUE(contains(gain.second, "\"gain\":9,\"clipping\":0,\"gpsQuality\""))
        << "the state follows the event";

    // The road of one event: a passage on the unit becomes one line with the operator's text.
    control("passage 2 10.5 -20.25 100");
    const auto passage =
        expectEvent("passage", {"\"channel\":2", "\"latitude\":10.5", "\"longitude\":-20.25"});
    EXPECT_TRUE(
        contains(passage.second, "Latitude = 10.500000, Longitude = -20.250000, Elevation = 100.000000."))
        << passage.second;

    cli_->sendLine("disconnect");
    expectEvent("disconnect", {"\"error\":0"});
    ASSERT_EQ(0, cli_->waitForExit());

    const auto commands = commandsOnly(linesOnWire());
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"REQINIT", "REQGPS", "START"}),
              std::vector<std::string>(commands.begin(), commands.begin() + 3));
    EXPECT_EQ(1u, countOf(commands, "INCGAIN"));

    const std::string log = debugLog();
    EXPECT_TRUE(contains(log, "|Telvane::initializeLog|                       CONFIGURATION\n"))
        << log.substr(0, 2000);
    EXPECT_TRUE(contains(log, "|                       DEVICE INFO\n"));
    EXPECT_TRUE(contains(log, "|Model                  : M450\n"));
    EXPECT_TRUE(contains(log, "Log file closed\n")) << "the file ends cleanly";
    EXPECT_EQ(log.rfind("Log file closed"), log.size() - std::string("Log file closed\n").size())
        << "nothing is written after the last line";
}

TEST_F(CliTest, TheUnitIsAskedForGpsEveryTwoSeconds) {
    startStreamingSession();
    const auto first = expectEvent("gps");
    const auto second = expectEvent("gps", {}, first.first + 1);
    expectEvent("gps", {}, second.first + 1);
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    EXPECT_GE(countOf(linesOnWire(), "REQGPS"), 3u);
}

TEST_F(CliTest, CommandsDuringABatteryReadingWaitAndFollowInOrder) {
    auto profile = quietProfile();
    profile.batteryDuration = std::chrono::milliseconds(1500);
    startStreamingSession(profile);
    control("poll");
    expectEvent("batteryReadBegins");
    cli_->sendLine("incGain");
    cli_->sendLine("selectChannel 2");
    cli_->sendLine("decGain");
    expectEvent("batteryRead");
    expectEvent("gain", {"\"gain\":9"});
    expectEvent("gain", {"\"gain\":8"});
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());

    // The operator's commands came after the console saw the poll begin, so none of them may
    // reach the unit while it polls. (A GPS request the clock sent just before the console saw
    // it may still be on its way, as with a real unit.)
    for (const auto& bytes : unit_->linesDuringPolling()) {
        const std::string line(bytes.begin(), bytes.end());
        EXPECT_TRUE(!line.starts_with("INCGAIN") && !line.starts_with("DECGAIN") &&
                    !line.starts_with("SELCHAN"))
            << "a command reached the unit while it polled: " << line;
    }
    // The operator's commands as the unit got them; the clock's GPS requests may fall between.
    std::vector<std::string> operatorCommands;
    for (const std::string& command : commandsOnly(linesOnWire())) {
        if (command != "REQGPS" && command != "REQINIT" && command != "START") {
            operatorCommands.push_back(command);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"INCGAIN", "DECGAIN"}), operatorCommands)
        << "replayed in the order given; the channel change was dropped";
}

TEST_F(CliTest, AThousandPassagesAreAllReportedInOrder) {
    startStreamingSession();
    for (int i = 0; i < 1000; ++i) {
        control("passage " + std::to_string(1 + i % 2) + " 0 0 " + std::to_string(i));
    }
    std::size_t from = 0;
    for (int i = 0; i < 1000; ++i) {
        const auto passage = expectEvent("passage", {"\"elevation\":" + std::to_string(i) + ","}, from);
        ASSERT_FALSE(passage.second.empty()) << "passage " << i << " is missing";
        from = passage.first + 1;
    }
    EXPECT_EQ(1000u, countEvents("passage"));
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    EXPECT_EQ(1000u, unit_->status().passagesSent);
}

TEST_F(CliTest, BadOperatorInputIsReportedAndChangesNothing) {
    startStreamingSession();
    cli_->sendLine("jump");
    cli_->sendLine("selectChannel 12");
    cli_->sendLine("setWorkingFolder six");
    cli_->sendLine("incGain now");
    cli_->sendLine("state");
    expectEvent("state");
    ASSERT_TRUE(cli_->waitForError("incGain takes no arguments"));
    const std::string errors = cli_->errorText();
    EXPECT_TRUE(contains(errors, "unknown command \"jump\"")) << errors;
    EXPECT_TRUE(contains(errors, "selectChannel: no channel \"12\"")) << errors;
    EXPECT_TRUE(contains(errors, "setWorkingFolder: the folder is a number from 1 to 5")) << errors;
    EXPECT_TRUE(contains(errors, "incGain takes no arguments")) << errors;
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    const auto commands = commandsOnly(linesOnWire());
    for (const std::string& command : commands) {
        EXPECT_TRUE(command == "REQINIT" || command == "REQGPS" || command == "START" || command == "STOP")
            << "unexpected " << command;
    }
}

TEST_F(CliTest, AnM410IsOfferedOnlyItsOwnTransmitters) {
    auto profile = quietProfile();
    profile.model = "M410";
    startStreamingSession(profile);
    cli_->sendLine("selectChannel 5");
    expectEvent("messageBox",
                {"\"icon\":\"information\"", "This option only available on the QUORVEX M450."});
    cli_->sendLine("selectChannel 2");
    expectEvent("channelChanged");
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    const auto commands = commandsOnly(linesOnWire());
    EXPECT_EQ(1, std::count_if(commands.begin(), commands.end(),
                               [](const std::string& line) { return line.starts_with("SELCHAN"); }))
        << "only the transmitter the M410 has was sent";
}

TEST_F(CliTest, AnInterruptDisconnectsFirst) {
    startStreamingSession();
    cli_->interrupt();
    expectEvent("disconnect", {"\"error\":0"});
    EXPECT_EQ(0, cli_->waitForExit());
}

TEST_F(CliTest, ASecondInterruptEndsTheClientAtOnceWhileTheFirstIsStillDisconnecting) {
    auto profile = quietProfile();
    // A battery reading that outlasts the disconnection's three-second wait for it.
    profile.batteryDuration = std::chrono::seconds(30);
    startStreamingSession(profile);
    control("poll");
    expectEvent("batteryReadBegins");
    // Stop signals that arrive together count once, so interrupt until the client has gone.
    std::optional<int> code;
    for (int attempt = 0; attempt < 200 && !code; ++attempt) {
        cli_->interrupt();
        code = cli_->waitForExit(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(code.has_value()) << cli_->transcript();
    EXPECT_EQ(130, *code) << cli_->transcript();
    EXPECT_EQ(0u, countEvents("disconnect")) << "it ended before the first interrupt's disconnection did";
}

TEST_F(CliTest, APortPathAndALogFolderThatAreNotUtf8AreUsedAsGiven) {
    startUnit();
    const std::filesystem::path port = logFolder_.path() / "unit\xFF";
    std::filesystem::create_symlink(unit_->portName(), port);
    const std::filesystem::path logs = logFolder_.path() / "logs\xFE";
    std::filesystem::create_directory(logs);
    cli_ = std::make_unique<ChildProcess>(QUORVEX_CLI_PROGRAM, std::vector<std::string>{"--port", port.string()},
                                          std::map<std::string, std::string>{{"TEMP", logs.string()}});
    expectEvent("streaming", {"\"first\":true"});
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(logs)) {
        written.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(1u, written.size()) << cli_->errorText();
    EXPECT_TRUE(written.front().starts_with("QUORVEX_DEBUG-")) << written.front();
}

TEST_F(CliTest, AHangUpOrQuitSignalDisconnectsAndClosesTheLogLikeTerminate) {
    for (const int number : {SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(number);
        startStreamingSession();
        cli_->signal(number);
        expectEvent("disconnect", {"\"error\":0"});
        EXPECT_EQ(0, cli_->waitForExit());
        EXPECT_TRUE(contains(debugLog(), "Port closed and worker threads shut down.")) << debugLog();
        unit_.reset();
    }
}

TEST_F(CliTest, AClosedStandardOutputEndsTheSessionAndDisconnectsTheUnit) {
    // The reader takes one line and goes; the client must neither die of SIGPIPE nor stream on.
    cli_ = std::make_unique<ChildProcess>(
        "/bin/bash",
        std::vector<std::string>{"-c", "set -o pipefail; \"$0\" --simulate | head -1", QUORVEX_CLI_PROGRAM},
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()}});
    expectEvent("started");
    EXPECT_EQ(0, cli_->waitForExit());
    EXPECT_TRUE(contains(debugLog(), "Port closed and worker threads shut down.")) << debugLog();
}

TEST_F(CliTest, ALastCommandWithoutALineFeedIsStillCarriedOut) {
    cli_ = std::make_unique<ChildProcess>(
        "/bin/bash",
        std::vector<std::string>{"-c", "printf disconnect | \"$0\" --simulate", QUORVEX_CLI_PROGRAM},
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()}});
    expectEvent("disconnect", {"\"error\":0"});
    EXPECT_EQ(0, cli_->waitForExit());
}

TEST_F(CliTest, AnOverlongInputLineIsRefusedWithAClearErrorAndTheNextLineServed) {
    startStreamingSession();
    cli_->sendLine(std::string(200000, 'x'));
    EXPECT_TRUE(cli_->waitForError("quorvex-cli: an input line longer than 65536 bytes is ignored: xxxx"))
        << cli_->errorText();
    const std::size_t before = cli_->outputLines().size();
    cli_->sendLine("stopStreaming");
    expectEvent("streamingStopped", {}, before);
}
