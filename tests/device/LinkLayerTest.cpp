#include "device/FailureNotice.h"
#include "support/platform/WaitRegistry.h"
#include "tests/device/LinkedStack.h"
#include "tests/helpers/FrameBuilder.h"
#include "tests/helpers/HexData.h"
#include "tests/support/logging/RecordingListener.h"

using namespace quorvex::test;
using Bytes = std::vector<std::uint8_t>;
using zeph::windows::communication::FlowControl;

namespace {

const Bytes ack{0x06, 0x0A};
const Bytes nak{0x15, 0x0A};
const Bytes pollAck{0x07, 0x0A};

Bytes gainFrame() {
    return frameOf(payloadOf(0x2, {5, 1}));
}

class LinkLayerTest : public LinkTest {
protected:
    void establish() {
        connect();
        unit_.send(readTestDataHex("frames/good_initialization.hex"));
        ASSERT_EQ(ack, unit_.receive(2));
        ASSERT_EQ(ConnectionState::Connected, stack_.deviceState_.connectionState());
    }

    // A rejected frame is answered before the read thread purges the line, so the unit waits
    // for the purge before it sends again, or its next frame would be flushed with the bad one.
    void awaitLinePurged() {
        ASSERT_TRUE(eventually([this] {
            return stack_.serialReadThread_.getState() == zeph::windows::system::threading::ThreadState::Wait;
        }));
    }
};

}  // namespace

TEST_F(LinkLayerTest, FramesBeforeTheInitializationMessageGetNoReply) {
    connect();
    EXPECT_EQ(ConnectionState::Connecting, stack_.deviceState_.connectionState());
    unit_.send(gainFrame());
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(300)).empty());
    EXPECT_EQ(ConnectionState::Connecting, stack_.deviceState_.connectionState());

    // The Initialization Message that follows is answered on its own.
    unit_.send(readTestDataHex("frames/good_initialization.hex"));
    EXPECT_EQ(ack, unit_.receive(2));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(200)).empty());
    EXPECT_EQ(ConnectionState::Connected, stack_.deviceState_.connectionState());
}

// A unit still streaming for an earlier console: its frame, whose layout the unknown firmware
// cannot tell, is dropped unanswered, and the Initialization Message read with it still connects.
TEST_F(LinkLayerTest, AStreamingFrameBeforeTheInitializationMessageIsDroppedAlone) {
    connect();
    std::vector<std::uint8_t> both = readTestDataHex("frames/good_streaming_3x66.hex");
    const std::vector<std::uint8_t> init = readTestDataHex("frames/good_initialization.hex");
    both.insert(both.end(), init.begin(), init.end());
    unit_.send(both);
    EXPECT_EQ(ack, unit_.receive(2));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(200)).empty());
    EXPECT_EQ(ConnectionState::Connected, stack_.deviceState_.connectionState());
}

TEST_F(LinkLayerTest, AnswersEveryFrameOnTheWire) {
    establish();
    unit_.send(gainFrame());
    EXPECT_EQ(ack, unit_.receive(2));

    Bytes corrupted = gainFrame();
    corrupted[1] ^= 0xFF;
    unit_.send(corrupted);
    EXPECT_EQ(nak, unit_.receive(2)) << "checksum mismatch";

    Bytes noEot = gainFrame();
    noEot.back() = 0x00;
    noEot.push_back(0x04);  // the port wakes on 0x04; the frame's own end byte is wrong
    unit_.send(noEot);
    EXPECT_EQ(nak, unit_.receive(2)) << "missing EOT";
    awaitLinePurged();

    unit_.send(frameOf(payloadOf(0x8)));
    EXPECT_EQ(pollAck, unit_.receive(2)) << "ADC Polling Begin";

    Bytes woken{0x5E, 0x5E, 0x5E};
    const Bytes frame = gainFrame();
    woken.insert(woken.end(), frame.begin(), frame.end());
    unit_.send(woken);
    EXPECT_EQ(ack, unit_.receive(2)) << "wake bytes ahead of a frame";
}

TEST_F(LinkLayerTest, EachReplyFeedsTheHealthCountersAndLogsItsOutgoingMessageAndItsWaits) {
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("log", journal);
    ASSERT_EQ(0u, listener.attach());
    establish();
    unit_.send(frameOf(payloadOf(0x8)));
    EXPECT_EQ(pollAck, unit_.receive(2)) << "ADC Polling Begin";
    Bytes corrupted = gainFrame();
    corrupted[1] ^= 0xFF;
    unit_.send(corrupted);
    EXPECT_EQ(nak, unit_.receive(2));
    awaitLinePurged();
    ASSERT_TRUE(eventually([&] { return stack_.messageDispatchThread_.getWorker().queueDepth() == 0; }));
    Bytes command{'R', 'E', 'Q', 'G', 'P', 'S'};  // a command without its line feed is resized
    stack_.onWrite(nullptr, command, 6);
    beacon.flush();

    const auto calls = [&](const std::wstring& operation) {
        return std::count_if(journal.begin(), journal.end(), [&](const RecordedEntry& entry) {
            return entry.context.ends_with(L"::" + operation);
        });
    };
    // The Initialization Message's ACK and the poll ACK are good frames; the NAK is a bad one.
    EXPECT_EQ(2, calls(L"incGoodFrameCount"));
    EXPECT_EQ(1, calls(L"incBadFrameCount"));
    EXPECT_EQ(1, calls(L"incNakCount"));

    const auto messages = messagesOf(journal);
    const auto logged = [&](const std::wstring& text) {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    };
    // The reply's control byte is written escaped: a raw one would be a control character in the log.
    for (const wchar_t* text : {
             L"Outgoing message [Acknowledge] [\\x06] [0x06 0x0A]",
             L"Outgoing message [Ack ADC Battery Poll] [\\x07] [0x07 0x0A]",
             L"Outgoing message [Negative Ack] [\\x15] [0x15 0x0A]",
             L"Resizing buffer.",
             L"Resizing of buffer succeeded.",
             L"Data written : 0x06 0x0A",
             L"::WaitForMultipleObjects() waiting for the ACK to be sent.",
             L"::WaitForMultipleObjects() became signaled via [_write_complete].",
             L"::WaitForMultipleObjects() waiting for a message to be put in the queue.",
             L"::WaitForMultipleObjects() became signaled via [_message_waiting_indicator].",
             L"::WaitForMultipleObjects() attempting to gain exclusive access to the queue.",
             L"::WaitForMultipleObjects() became signaled via [_message_queue_lock].",
             L"Appending data to the outbound queue.",
             L"::SetEvent [_data_pending_to_be_written].",
             L"Releasing the lock on the [_outbound_data_lock] mutex.",
         }) {
        EXPECT_TRUE(logged(text)) << text;
    }
}

TEST_F(LinkLayerTest, AFrameSplitAcrossReadsIsAnsweredOnceWhole) {
    establish();
    const Bytes first = gainFrame();
    const Bytes second = frameOf(payloadOf(0x10, {0xE8, 0x03}));
    Bytes oneAndAHalf = first;
    oneAndAHalf.insert(oneAndAHalf.end(), second.begin(), second.begin() + 4);
    unit_.send(oneAndAHalf);
    EXPECT_EQ(ack, unit_.receive(2));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(200)).empty()) << "half a frame is not answered";

    unit_.send(Bytes(second.begin() + 4, second.end()));
    EXPECT_EQ(ack, unit_.receive(2));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(200)).empty()) << "each frame answered once";
}

TEST_F(LinkLayerTest, OutgoingMessagesEndWithOneLineFeed) {
    Bytes text{'R', 'E', 'Q', 'I', 'N', 'I', 'T'};
    EXPECT_EQ(8, stack_.onWrite(nullptr, text, 7));
    EXPECT_EQ((Bytes{'R', 'E', 'Q', 'I', 'N', 'I', 'T', 0x0A}), text);

    Bytes line{'S', 'T', 'A', 'R', 'T', 0x0A};
    EXPECT_EQ(6, stack_.onWrite(nullptr, line, 6));
    EXPECT_EQ(6u, line.size());
}

TEST_F(LinkLayerTest, AFailedWriteAndAMissingResponseReachTheWindowAsNotices) {
    const Bytes line{'R', 'E', 'Q', 'I', 'N', 'I', 'T', 0x0A};
    stack_.onWriteComplete(nullptr, line.data(), 8, zeph::platform::ERROR_DEVICE_NOT_CONNECTED, 3000);
    const auto failed = window_.waitFor(WM_QUORVEX_FAILED_TO_SEND);
    ASSERT_TRUE(failed.has_value());
    const auto* notice = reinterpret_cast<const FailureNotice*>(failed->lParam);
    EXPECT_EQ(WM_QUORVEX_FAILED_TO_SEND, notice->message);
    EXPECT_EQ(line, notice->data);
    EXPECT_EQ(zeph::platform::ERROR_DEVICE_NOT_CONNECTED, notice->error);

    stack_.onWriteComplete(nullptr, line.data(), 8, 0, 50);
    const auto missing = window_.waitFor(WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE);
    ASSERT_TRUE(missing.has_value());
    const auto* timeout = reinterpret_cast<const FailureNotice*>(missing->lParam);
    EXPECT_EQ(zeph::platform::WAIT_TIMEOUT, timeout->error);
    EXPECT_EQ(line, timeout->data);
}

TEST_F(LinkLayerTest, AnAckHeldBackByFlowControlEndsWhenTheReadThreadIsTerminated) {
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("log", journal);
    ASSERT_EQ(0u, listener.attach());
    settings_.setFlowControl(FlowControl::Software);
    establish();
    unit_.send(Bytes{0x13});  // XOFF: the port may send nothing more
    unit_.send(gainFrame());
    ASSERT_TRUE(unit_.receive(1, std::chrono::milliseconds(300)).empty()) << "the ACK is held back";

    EXPECT_TRUE(stack_.serialReadThread_.shutdown(2000));
    unit_.send(Bytes{0x11});  // XON, so that the rest of the stack stops freely
    beacon.flush();
    for (const std::wstring& line : messagesOf(journal)) {
        EXPECT_FALSE(line.starts_with(L"Abandoned the thread")) << "the read thread ignored terminate";
    }
}

TEST_F(LinkLayerTest, AnAnswerThatComesBeforeTheCommandWaitsStillAnswersIt) {
    establish();
    const Bytes line{'R', 'E', 'Q', 'I', 'N', 'I', 'T', 0x0A};
    Bytes buffer = line;
    stack_.onWrite(nullptr, buffer, 8);
    // A fast unit answers, and the answer is acknowledged, before the writer begins to wait: the
    // acknowledgement must not take the answer away from the command.
    unit_.send(readTestDataHex("frames/good_initialization.hex"));
    ASSERT_EQ(ack, unit_.receive(2));
    stack_.onWriteComplete(nullptr, line.data(), 8, 0, 3000);
    EXPECT_EQ(0u, window_.countAfter(WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE, std::chrono::milliseconds(50)));
}

TEST_F(LinkLayerTest, TheInitializationMessageAnswersAWaitingCommand) {
    establish();
    const Bytes line{'R', 'E', 'Q', 'I', 'N', 'I', 'T', 0x0A};
    Bytes buffer = line;
    stack_.onWrite(nullptr, buffer, 8);  // resets the response event
    // The unit answers once the command waits for it, as a real unit's answer comes well after.
    std::thread unit([this] {
        eventually([this] { return zeph::platform::WaitRegistry::waitingOn(*stack_.responseEvent_) > 0; });
        unit_.send(readTestDataHex("frames/good_initialization.hex"));
    });
    stack_.onWriteComplete(nullptr, line.data(), 8, 0, 3000);
    unit.join();
    EXPECT_EQ(0u, window_.countAfter(WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE, std::chrono::milliseconds(50)));
}
