#include "tests/device/DispatchFixture.h"

#include "support/platform/MessageWindow.h"
#include "tests/support/platform/MessageLoopThread.h"

#include <atomic>
#include <thread>

using namespace quorvex::test;
using quorvex::test::TestSignal;
using namespace zeph::windows::logging;

namespace {

using DispatchWalk = DispatchTest;
using DispatchGain = DispatchTest;
using DispatchBattery = DispatchTest;
using DispatchPosting = DispatchTest;

}  // namespace

TEST_F(DispatchWalk, AnEmptyPayloadLogsEmptyAndPostsNothing) {
    EXPECT_TRUE(dispatch(PayloadBuilder(0).payload()).empty());
    const auto lines = logAt(DebugLevel4);
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Message [4] 0x00 0x00 0x00 0x00"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Payload [0]: (Empty)."), lines.end());
    EXPECT_TRUE(logAt(Error).empty());
}

TEST_F(DispatchWalk, APayloadShorterThanItsMaskIsAnOverrunNotARead) {
    const std::vector<std::uint8_t> two = {0x02, 0x00};
    EXPECT_TRUE(dispatch(two).empty());
    stack_.DispatchMessage(nullptr, 8);
    EXPECT_EQ((std::vector<std::wstring>{L"Buffer Overrun Detected. Buffer length [2], offset [0]!",
                                         L"Buffer Overrun Detected. Buffer length [0], offset [0]!"}),
              logAt(Error));
}

TEST_F(DispatchWalk, BlocksAreWalkedInBitOrderWithTheirOffsets) {
    // Gain, Stop Acknowledgement, ADC Polling Begin, ADC Polling End, Recording Started.
    const auto payload = PayloadBuilder(0x011E).u8(3).u8(1).u16(500).u32(7).u16(1).payload();
    const auto posted = dispatch(payload);
    ASSERT_EQ(5u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GAIN_EVT, posted[0].message);
    EXPECT_EQ(WM_QUORVEX_ON_STOP_ACK_EVT, posted[1].message);
    EXPECT_EQ(WM_QUORVEX_ON_ADC_READ_EVT, posted[2].message);
    EXPECT_EQ(WM_QUORVEX_ON_ADC_DATA_EVT, posted[3].message);
    EXPECT_EQ(WM_QUORVEX_ON_REC_TRGRD_EVT, posted[4].message);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"Event: QUORVEX_GAIN_EVT, Offset 4", L"Event: QUORVEX_STOP_ACK_EVT, Offset 6",
                  L"Event: QUORVEX_ADC_READ_EVT, Offset 6", L"Event: QUORVEX_ADC_DATA_EVT, Offset 6",
                  L"Event: QUORVEX_REC_TRGRD_EVT, Offset 8"}),
              logAt(Information));
}

TEST_F(DispatchWalk, StateInfoAndUnknownBitsAreAcceptedButNeverPosted) {
    EXPECT_TRUE(dispatch(PayloadBuilder(0x1000).text("", 19).payload()).empty());
    // Bits the table does not know carry no bytes: the gain block follows the mask directly.
    const auto posted = dispatch(PayloadBuilder(0x80001002).u8(5).u8(2).text("", 19).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GAIN_EVT, posted[0].message);
    EXPECT_EQ(5, recordOf<GainRecord>(posted[0]).gain);
    EXPECT_EQ((std::vector<std::wstring>{L"Event: QUORVEX_GAIN_EVT, Offset 4"}), logAt(Information));
    EXPECT_TRUE(logAt(Error).empty());
}

TEST_F(DispatchWalk, AnOverrunStopsThePayloadAfterTheBlocksAlreadyHandled) {
    // Gain is whole; the ADC Polling End block lacks its second byte; GPS never gets a look.
    const auto posted = dispatch(PayloadBuilder(0x0412).u8(4).u8(1).u8(0xE8).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GAIN_EVT, posted[0].message);
    EXPECT_EQ(4, stack_.deviceState_.gain());
    EXPECT_EQ(0.0, stack_.deviceState_.batteryLevel());
    EXPECT_EQ(0, stack_.queuePops);
    EXPECT_EQ((std::vector<std::wstring>{L"Buffer Overrun Detected. Buffer length [7], offset [6]!"}),
              logAt(Error));
    EXPECT_EQ(2u, logAt(Information).size());
}

TEST_F(DispatchWalk, AGainOverrunNamesTheBlockSize) {
    EXPECT_TRUE(dispatch(PayloadBuilder(0x0002).u8(4).payload()).empty());
    EXPECT_EQ((std::vector<std::wstring>{
                  L"Buffer Overrun Detected. Buffer length [5], offset [4], message size [2]!"}),
              logAt(Error));
}

TEST_F(DispatchGain, OutOfRangeValuesAreLoggedAndDropped) {
    stack_.deviceState_.setGain(3, 1);
    EXPECT_TRUE(dispatch(PayloadBuilder(0x0002).u8(10).u8(7).payload()).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"QUORVEX_GAIN_EVT - Values out of range gain[10], clipping[7]."}),
              logAt(Error));
    EXPECT_EQ(3, stack_.deviceState_.gain());
    EXPECT_EQ(1, stack_.deviceState_.clipping());

    // The largest sum in range.
    const auto posted = dispatch(PayloadBuilder(0x0002).u8(16).u8(0).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GAIN_EVT, posted[0].message);
    EXPECT_EQ(0u, posted[0].wParam);
    EXPECT_EQ(16, recordOf<GainRecord>(posted[0]).gain);
    EXPECT_EQ(0, recordOf<GainRecord>(posted[0]).clipping);
    EXPECT_EQ(16, stack_.deviceState_.gain());
    EXPECT_EQ(0, stack_.deviceState_.clipping());
}

TEST_F(DispatchBattery, PollingBeginResetsTheCountdownAndEndReplaysTheQueue) {
    auto posted = dispatch(PayloadBuilder(0x0008).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_ADC_READ_EVT, posted[0].message);
    EXPECT_EQ(0, posted[0].lParam);
    EXPECT_TRUE(stack_.deviceState_.adcPolling());
    EXPECT_EQ(1, stack_.countdownResets);
    EXPECT_EQ(0, stack_.queuePops);

    posted = dispatch(PayloadBuilder(0x0010).u16(1000).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_ADC_DATA_EVT, posted[0].message);
    EXPECT_EQ(15u, posted[0].wParam);
    EXPECT_EQ(0, posted[0].lParam);
    EXPECT_EQ(15.0, stack_.deviceState_.batteryLevel());
    EXPECT_FALSE(stack_.deviceState_.adcPolling());
    EXPECT_EQ(1, stack_.queuePops);
}

TEST_F(DispatchBattery, TheLevelIsTruncatedToAWholeNumber) {
    const auto posted = dispatch(PayloadBuilder(0x0010).u16(999).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(14u, posted[0].wParam);
    EXPECT_EQ(14.0, stack_.deviceState_.batteryLevel());
}

TEST_F(DispatchWalk, StopAcknowledgementReturnsToCommandMode) {
    stack_.deviceState_.setOperatingMode(OperatingMode::Streaming);
    stack_.deviceState_.setStreamingState(StreamingState::Ending);
    const auto posted = dispatch(PayloadBuilder(0x0004).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_STOP_ACK_EVT, posted[0].message);
    EXPECT_EQ(&OperatingMode::Command, &stack_.deviceState_.operatingMode());
    EXPECT_EQ(&StreamingState::Stopped, &stack_.deviceState_.streamingState());
}

TEST_F(DispatchPosting, WithoutAWindowNothingIsPostedAndTheStateStillMovesOn) {
    stack_.window_ = nullptr;
    // Every record-carrying event: the records must be freed here (the leak checker watches).
    const auto payload = PayloadBuilder(0x0FE2)
                             .u8(2)
                             .u8(3)
                             .text("M450 1", 16)
                             .text("V0.0096", 16)
                             .text("", 126)
                             .text("", 41)
                             .text("", 41)
                             .text("", 6)
                             .text("", 5)
                             .text("", 25)
                             .text("", 14)
                             .payload();
    EXPECT_TRUE(dispatch(payload).empty());
    EXPECT_EQ(2, stack_.deviceState_.gain());
    EXPECT_EQ("M450", stack_.deviceState_.identity().model);
    EXPECT_TRUE(logAt(Error).empty());
}

TEST_F(DispatchPosting, AFailedPostIsLoggedWithItsReasonAndTheRecordFreed) {
    const zeph::platform::HWND gone = zeph::platform::createMessageWindow(
        [](zeph::platform::HWND, zeph::platform::UINT, zeph::platform::WPARAM, zeph::platform::LPARAM) {
            return zeph::platform::LRESULT{0};
        });
    ASSERT_TRUE(zeph::platform::destroyWindow(gone));
    stack_.window_ = gone;
    EXPECT_TRUE(dispatch(PayloadBuilder(0x0006).u8(1).u8(1).payload()).empty());
    // Two posts failed in a row: one burst, logged once with its reason.
    const auto errors = logAt(Error);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(L"::PostMessage() failed! Reason [1400].", errors[0]);
    EXPECT_EQ(L"Invalid window handle.", errors[1]);
    EXPECT_EQ(1, stack_.deviceState_.gain());
}

TEST_F(DispatchPosting, AFloodedWindowRefusesPostsBeyondItsQueueAndEachBurstIsLoggedOnce) {
    // The window's thread stops taking messages until the test lets it go on.
    TestSignal created;
    TestSignal resume;
    std::atomic<zeph::platform::HWND> busy{nullptr};
    std::thread owner([&] {
        busy = zeph::platform::createMessageWindow([](zeph::platform::HWND, zeph::platform::UINT message,
                                                      zeph::platform::WPARAM, zeph::platform::LPARAM lParam) {
            deleteEventRecord(message, lParam);
            return zeph::platform::LRESULT{0};
        });
        created.set();
        resume.waitFor();
        zeph::platform::pumpMessages();
        zeph::platform::destroyWindow(busy);
    });
    ASSERT_TRUE(created.waitFor());
    stack_.window_ = busy.load();
    const auto gain = PayloadBuilder(0x0002).u8(1).u8(1).payload();
    const auto flood = [&](int count) {
        for (int i = 0; i < count; ++i) {
            stack_.DispatchMessage(gain.data(), gain.size());
            zeph::platform::pumpMessages();  // the log's own wake-ups come to this thread
        }
    };
    flood(10100);
    const auto quota = L"::PostMessage() failed! Reason [1816].";
    auto errors = logAt(Error);
    EXPECT_EQ(1, std::count(errors.begin(), errors.end(), quota));
    EXPECT_NE(
        std::find(errors.begin(), errors.end(), L"Not enough quota is available to process this command."),
        errors.end());

    // Once the window has caught up, a new flood is a new burst.
    resume.set();
    owner.join();
    stack_.window_ = window_.handle();
    flood(1);
    zeph::platform::pumpMessages();
    stack_.window_ = zeph::platform::HWND{reinterpret_cast<zeph::platform::HWND>(0x7fff'0000)};
    flood(3);
    errors = logAt(Error);
    EXPECT_EQ(1, std::count(errors.begin(), errors.end(), quota));
    EXPECT_EQ(
        1, std::count(errors.begin(), errors.end(), std::wstring(L"::PostMessage() failed! Reason [1400].")));
}
