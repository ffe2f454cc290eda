#include "tests/device/CommandFixture.h"

#include <algorithm>
#include <tuple>

using namespace quorvex::test;
using namespace zeph::windows::logging;

namespace {

constexpr std::uint16_t firmware(unsigned major, unsigned minor) {
    return static_cast<std::uint16_t>((minor << 4) | major);
}

std::size_t countEntries(const std::vector<RecordedEntry>& journal, const std::wstring& context,
                         const std::wstring& message) {
    return static_cast<std::size_t>(
        std::count_if(journal.begin(), journal.end(),
                      [&](const RecordedEntry& e) { return e.context == context && e.message == message; }));
}

}  // namespace

TEST_F(CommandTest, EveryOperationSendsItsLineByteForByteInSlotOrder) {
    const std::string reqinit = "REQINIT\n";
    stack_.requestInit();
    ASSERT_EQ(reqinit, received(reqinit.size()));
    // The unit answers, so the write thread stops waiting for the Initialization Message.
    stack_.responseEvent_->set();

    stack_.requestState();
    stack_.reinit();
    stack_.selectChannel(5);
    stack_.startStreaming();
    stack_.stopStreaming();
    stack_.pauseStreaming();
    stack_.resumeStreaming();
    stack_.inqGain();
    stack_.incGain();
    stack_.decGain();
    stack_.resetMRSensor();
    stack_.requestGPS();
    stack_.setWorkingFolder(2);
    stack_.setRecordModeAutomatic();
    stack_.setRecordModeManual();
    stack_.startRecording();
    stack_.stopRecording();

    const std::string expected =
        "REQSTATE\nREINIT\nSELCHAN5\nSTART\nSTOP\nINQGAIN\nINCGAIN\nDECGAIN\nMRRESET\nREQGPS\nSETWFOLD2\n"
        "SETRECAUTO\nSETRECMAN\nSTARTREC\nSTOPREC\n";
    EXPECT_EQ(expected, received(expected.size()));

    // Only Request Init makes the write thread wait for a response.
    beacon_->flush();
    EXPECT_EQ(1u, countEntries(journal_, L"QuorvexSupervisor::onWriteComplete",
                               L"::WaitForMultipleObjects() waiting for response."));
}

TEST_F(CommandTest, OutgoingMessagesAreLoggedWithNameTextAndBytes) {
    stack_.startStreaming();
    stack_.setWorkingFolder(12);
    const std::string folder = "SETWFOLD12\n";
    EXPECT_EQ("START\n" + folder, received(6 + folder.size()));
    EXPECT_EQ(11u, folder.size());

    EXPECT_EQ(
        (std::vector<CommandLogLine>{
            {L"Debug Level 1", L" "},
            {L"Debug Level 4", L"Outgoing message [Start Streaming] [START] [0x53 0x54 0x41 0x52 0x54 0x0A]"},
        }),
        linesOf("startStreaming"));
    EXPECT_EQ((std::vector<CommandLogLine>{
                  {L"Debug Level 1", L" "},
                  {L"Debug Level 4",
                   L"Outgoing message [SETWFOLD12] [0x53 0x45 0x54 0x57 0x46 0x4F 0x4C 0x44 0x31 0x32 0x0A]"},
              }),
              linesOf("setWorkingFolder"));
}

TEST_F(CommandTest, StreamingCommandsMoveTheStateAndTellTheHealthCheck) {
    DeviceState& state = stack_.deviceState_;
    const std::wstring notify = L"HealthCheckThread::notifyStateChange";

    stack_.startStreaming();
    EXPECT_EQ(OperatingMode::Streaming, state.operatingMode());
    EXPECT_EQ(StreamingState::Beginning, state.streamingState());
    stack_.pauseStreaming();  // nothing plays yet
    EXPECT_EQ(StreamingState::Beginning, state.streamingState());
    beacon_->flush();
    EXPECT_EQ(1u, countEntries(journal_, notify, L" "));

    state.setStreamingState(StreamingState::Playing);
    stack_.resumeStreaming();
    EXPECT_EQ(StreamingState::Playing, state.streamingState());
    stack_.pauseStreaming();
    EXPECT_EQ(StreamingState::Paused, state.streamingState());
    stack_.pauseStreaming();
    EXPECT_EQ(StreamingState::Paused, state.streamingState());
    stack_.resumeStreaming();
    EXPECT_EQ(StreamingState::Playing, state.streamingState());
    beacon_->flush();
    EXPECT_EQ(1u, countEntries(journal_, notify, L" ")) << "pausing is the console's business only";

    stack_.stopStreaming();
    EXPECT_EQ(OperatingMode::Streaming, state.operatingMode());
    EXPECT_EQ(StreamingState::Ending, state.streamingState());
    beacon_->flush();
    EXPECT_EQ(2u, countEntries(journal_, notify, L" "));

    // Pause and resume sent nothing between the two streaming commands.
    EXPECT_EQ("START\nSTOP\n", received(11));
}

// Model, firmware revision word, console channel, the line the unit receives.
using ChannelCase = std::tuple<std::string, std::uint16_t, int, std::string>;

class SelectChannelTest : public CommandTestOf<CommandStack>,
                          public testing::WithParamInterface<ChannelCase> {};

TEST_P(SelectChannelTest, SendsTheNumberTheUnitUsesForTheChannel) {
    const auto& [name, revision, channel, line] = GetParam();
    stack_.deviceState_.setDeviceName(name);
    stack_.deviceState_.setFirmware({revision, 0});
    stack_.selectChannel(channel);
    EXPECT_EQ(line, received(line.size()));

    const std::vector<CommandLogLine> lines = linesOf("selectChannel");
    const bool hack = std::find(lines.begin(), lines.end(),
                                CommandLogLine{L"Error", L"Detected M410 - Executing hack!"}) != lines.end();
    EXPECT_EQ(name.starts_with("M410 "), hack);
}

INSTANTIATE_TEST_SUITE_P(ModelsAndFirmware, SelectChannelTest,
                         testing::Values(ChannelCase{"M410 0042", firmware(0, 96), 8, "SELCHAN4\n"},
                                         ChannelCase{"M410 0042", firmware(0, 96), 9, "SELCHAN3\n"},
                                         ChannelCase{"M410 0042", firmware(0, 95), 8, "SELCHAN3\n"},
                                         ChannelCase{"M410 0042", firmware(0, 95), 9, "SELCHAN4\n"},
                                         ChannelCase{"M410 0042", firmware(1, 0), 8, "SELCHAN4\n"},
                                         ChannelCase{"M410 0042", firmware(0, 95), 5, "SELCHAN5\n"},
                                         ChannelCase{"M410 0042", firmware(0, 96), 0, "SELCHAN0\n"},
                                         ChannelCase{"M450 0042", firmware(0, 96), 8, "SELCHAN8\n"},
                                         ChannelCase{"M450 0042", firmware(0, 95), 9, "SELCHAN9\n"},
                                         ChannelCase{"", 0, 8, "SELCHAN8\n"}));
