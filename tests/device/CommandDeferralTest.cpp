#include "tests/device/CommandFixture.h"

#include "support/platform/Mutex.h"
#include "support/platform/Wait.h"

#include <future>
#include <thread>

using namespace quorvex::test;
namespace platform = zeph::platform;

namespace {

const std::wstring Queueing = L"Queueing due to ADC battery polling.";
const std::wstring Skipping = L"Skipping due to ADC battery polling.";

// A stack in which one operation, replayed, does something first: begins a new battery reading
// or disconnects.
class ReplayStack : public CommandStack {
public:
    void inqGain() override {
        if (std::exchange(pollAgainOnInqGain, false)) {
            deviceState_.setAdcPolling(true);
        }
        CommandStack::inqGain();
    }
    void requestState() override {
        if (std::exchange(disconnectOnRequestState, false)) {
            disconnect();
        }
        CommandStack::requestState();
    }

    bool pollAgainOnInqGain = false;
    bool disconnectOnRequestState = false;
};

using CommandDeferralTest = CommandTestOf<ReplayStack>;

}  // namespace

TEST_F(CommandDeferralTest, StartThenIncGainAreReplayedInOrderWhenPollingEnds) {
    polling(true);
    stack_.startStreaming();
    stack_.incGain();
    EXPECT_EQ(2u, stack_.commandQueue_.depth());
    EXPECT_EQ(StreamingState::Stopped, stack_.deviceState_.streamingState()) << "deferred before any change";

    polling(false);
    stack_.popQueue();
    EXPECT_EQ("START\nINCGAIN\n", received(14));
    EXPECT_EQ(0u, stack_.commandQueue_.depth());
    EXPECT_EQ(OperatingMode::Streaming, stack_.deviceState_.operatingMode());
    EXPECT_EQ(StreamingState::Beginning, stack_.deviceState_.streamingState());
}

TEST_F(CommandDeferralTest, EveryDeferrableCommandIsHeldBackAndReplayedOnce) {
    polling(true);
    stack_.requestInit();
    stack_.requestState();
    stack_.reinit();
    stack_.startStreaming();
    stack_.stopStreaming();
    stack_.inqGain();
    stack_.incGain();
    stack_.decGain();
    stack_.resetMRSensor();
    stack_.setRecordModeAutomatic();
    stack_.setRecordModeManual();
    stack_.startRecording();
    stack_.stopRecording();
    EXPECT_EQ(13u, stack_.commandQueue_.depth());

    polling(false);
    stack_.popQueue();
    const std::string reqinit = "REQINIT\n";
    ASSERT_EQ(reqinit, received(reqinit.size()));
    stack_.responseEvent_->set();
    const std::string rest =
        "REQSTATE\nREINIT\nSTART\nSTOP\nINQGAIN\nINCGAIN\nDECGAIN\nMRRESET\nSETRECAUTO\nSETRECMAN\nSTARTREC\n"
        "STOPREC\n";
    EXPECT_EQ(rest, received(rest.size()));

    const std::vector<CommandLogLine> reinit = linesOf("reinit");
    ASSERT_LE(2u, reinit.size());
    EXPECT_EQ((CommandLogLine{L"Warning", L" " + Queueing}), reinit[1]);
    const std::vector<CommandLogLine> decGain = linesOf("decGain");
    ASSERT_LE(2u, decGain.size());
    EXPECT_EQ((CommandLogLine{L"Warning", Queueing + L"\n"}), decGain[1]);
}

TEST_F(CommandDeferralTest, ADeferralAndItsReplayAreLoggedStepByStep) {
    polling(true);
    stack_.incGain();
    polling(false);
    stack_.popQueue();
    EXPECT_EQ("INCGAIN\n", received(8));

    EXPECT_EQ((std::vector<CommandLogLine>{
                  {L"Debug Level 1", L" "},
                  {L"Warning", Queueing},
                  {L"Debug Level 1", L" "},
                  {L"Debug Level 4",
                   L"Outgoing message [Increment Gain] [INCGAIN] [0x49 0x4E 0x43 0x47 0x41 0x49 "
                   L"0x4E 0x0A]"},
              }),
              linesOf("incGain"));
    EXPECT_EQ(
        (std::vector<CommandLogLine>{
            {L"Debug Level 1", L" "},
            {L"Debug Level 2", L"::WaitForSingleObject() attempting to gain exclusive access to the queue."},
            {L"Debug Level 3", L"::WaitForSingleObject() became signaled via [_queue_mutex]"},
            {L"Debug Level 3", L"appending data to the outbound queue."},
            {L"Debug Level 2", L"Releasing the lock on the [_queue_mutex] mutex."},
        }),
        linesOf("appendToQueue"));
    EXPECT_EQ((std::vector<CommandLogLine>{
                  {L"Debug Level 1", L" "},
                  {L"Information", L"Queue depth 1."},
                  {L"Debug Level 2",
                   L"::WaitForMultipleObjects() attempting to gain exclusive access to the queue."},
                  {L"Debug Level 3", L"::WaitForMultipleObjects() became signaled via [_queue_mutex]."},
              }),
              linesOf("popQueue"));
}

TEST_F(CommandDeferralTest, ChannelGpsAndFolderAreDroppedWhilePolling) {
    polling(true);
    stack_.requestGPS();
    stack_.selectChannel(3);
    stack_.setWorkingFolder(2);
    stack_.requestState();
    EXPECT_EQ(1u, stack_.commandQueue_.depth());

    polling(false);
    stack_.popQueue();
    stack_.requestGPS();
    // Nothing of the dropped commands comes before or after the held-back one.
    EXPECT_EQ("REQSTATE\nREQGPS\n", received(16));
    for (const char* operation : {"requestGPS", "selectChannel", "setWorkingFolder"}) {
        SCOPED_TRACE(operation);
        const std::vector<CommandLogLine> lines = linesOf(operation);
        ASSERT_LE(2u, lines.size());
        EXPECT_EQ((CommandLogLine{L"Warning", Skipping}), lines[1]);
    }
}

TEST_F(CommandDeferralTest, AReplayDuringANewBatteryReadingDefersTheRestAgainInOrder) {
    polling(true);
    stack_.requestState();
    stack_.inqGain();
    stack_.incGain();
    polling(false);

    stack_.pollAgainOnInqGain = true;
    stack_.popQueue();  // must return although every replayed command defers itself again
    EXPECT_EQ("REQSTATE\n", received(9));
    EXPECT_EQ(2u, stack_.commandQueue_.depth());

    polling(false);
    stack_.popQueue();
    EXPECT_EQ("INQGAIN\nINCGAIN\n", received(16));
    EXPECT_EQ(0u, stack_.commandQueue_.depth());
}

TEST_F(CommandDeferralTest, ADisconnectStopsAReplayAndTheNextConnectDropsWhatWasLeft) {
    polling(true);
    stack_.requestState();
    stack_.incGain();
    polling(false);

    stack_.disconnectOnRequestState = true;
    stack_.popQueue();
    EXPECT_EQ(1u, stack_.commandQueue_.depth());
    const std::vector<CommandLogLine> first = linesOf("popQueue");
    EXPECT_EQ((CommandLogLine{
                  L"Debug Level 3",
                  L"::WaitForSingleObject() became signaled via [_terminate], abandoning function call."}),
              first.back());

    stack_.popQueue();  // still terminated: nothing is replayed
    EXPECT_EQ(1u, stack_.commandQueue_.depth());
    EXPECT_EQ((CommandLogLine{L"Debug Level 3",
                              L"::WaitForMultipleObjects() became signaled via [_terminate], "
                              L"abandoning function call."}),
              linesOf("popQueue").back());

    ASSERT_EQ(0u, stack_.commandQueue_.prepare());
    EXPECT_EQ(0u, stack_.commandQueue_.depth());
    stack_.resetMRSensor();
    EXPECT_EQ("REQSTATE\nMRRESET\n", received(17));
}

TEST_F(CommandDeferralTest, ACommandIsLostWhenTheQueueStaysLockedFor200Ms) {
    std::promise<void> held;
    std::promise<void> release;
    std::thread owner([&] {
        const auto mutex = platform::Mutex::create(false, L"queue mutex");
        EXPECT_EQ(platform::WAIT_OBJECT_0, platform::waitForSingleObject(mutex, platform::INFINITE));
        held.set_value();
        release.get_future().wait();
        mutex->release();
    });
    held.get_future().wait();

    polling(true);
    stack_.incGain();
    release.set_value();
    owner.join();

    EXPECT_EQ(0u, stack_.commandQueue_.depth());
    EXPECT_EQ((CommandLogLine{L"Error",
                              L"::WaitForSingleObject() failed (WAIT_TIMEOUT), abandoning function call."}),
              linesOf("appendToQueue").back());
}

TEST_F(CommandDeferralTest, CommandsDeferredFromSeveralThreadsAreAllReplayedOnce) {
    constexpr int PerThread = 40;
    polling(true);
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t) {
        callers.emplace_back([this] {
            for (int i = 0; i < PerThread; ++i) {
                stack_.incGain();
            }
        });
    }
    for (std::thread& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(3u * PerThread, stack_.commandQueue_.depth());

    polling(false);
    std::thread dispatch([this] { stack_.popQueue(); });
    std::string expected;
    for (int i = 0; i < 3 * PerThread; ++i) {
        expected += "INCGAIN\n";
    }
    EXPECT_EQ(expected, received(expected.size()));
    dispatch.join();
    EXPECT_EQ(0u, stack_.commandQueue_.depth());
}

TEST(CommandDeferralBeforeConnect, ACommandDeferredBeforeAnyConnectIsLostWithTheReason) {
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    beacon.flush();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("log", journal);
    ASSERT_EQ(0u, listener.attach());

    CommandStack stack;
    stack.deviceState_.setAdcPolling(true);
    stack.incGain();
    EXPECT_EQ(0u, stack.commandQueue_.depth());

    beacon.flush();
    std::vector<std::wstring> errors;
    for (const RecordedEntry& entry : journal) {
        if (entry.context == commandContext("appendToQueue") &&
            entry.verbosity->name() == std::wstring(L"Error")) {
            errors.push_back(entry.message);
        }
    }
    EXPECT_EQ((std::vector<std::wstring>{
                  L"::WaitForSingleObject() failed (WAIT_FAILED) [6], abandoning function call.",
                  L"The handle is invalid."}),
              errors);
}
