// Port events as the serial read thread uses them: the mask the connection sets
// (EV_ERR | EV_TXEMPTY | EV_RXFLAG), the event character, aborts, close and hang-up.
#include "support/communication/Serial.h"
#include "support/platform/Event.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace zeph::windows::communication;
using quorvex::test::eventually;
using quorvex::test::PseudoTerminal;
using quorvex::test::TemporaryPortDirectory;
namespace platform = zeph::platform;

constexpr auto kBound = std::chrono::seconds(10);

class SerialEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(serial.open(ports.add(pty)), 0u);
        ASSERT_EQ(serial.setEventMask(EV_ERR | EV_TXEMPTY), 0u);
        ASSERT_EQ(serial.setEventChar(), 0u);
    }

    // Bytes held for the port: read ahead by a wait plus the line discipline's queue.
    DWORD queued() {
        COMSTAT status;
        EXPECT_EQ(serial.clearCommError(nullptr, &status), 0u);
        return status.cbInQue;
    }

    // Runs waitCommEvent on its own thread.
    std::future<std::pair<DWORD, DWORD>> waitAsync(const AbortEvent& abortEvent) {
        return std::async(std::launch::async, [this, abortEvent] {
            DWORD mask = 0;
            const DWORD result = serial.waitCommEvent(abortEvent, mask);
            return std::make_pair(result, mask);
        });
    }

    PseudoTerminal pty;
    TemporaryPortDirectory ports;
    Serial serial{ports.directory()};
    AbortEvent abort = platform::Event::create(true, false);
};

// The read thread's loop: wait, and read only when the event character came.
TEST_F(SerialEvents, OnlyTheEventCharWakesTheWaitOnceAndNothingIsLostOrReordered) {
    struct Wake {
        DWORD result;
        DWORD mask;
    };
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Wake> wakes;
    std::vector<std::uint8_t> received;
    std::thread reader([&] {
        for (;;) {
            DWORD mask = 0;
            const DWORD result = serial.waitCommEvent(abort, mask);
            std::vector<std::uint8_t> bytes;
            if (result == 0 && (mask & EV_RXFLAG) != 0) {
                EXPECT_EQ(serial.readPort(abort, bytes), 0u);
            }
            std::lock_guard guard(lock);
            wakes.push_back({result, mask});
            received.insert(received.end(), bytes.begin(), bytes.end());
            changed.notify_all();
            if (result != 0) {
                return;
            }
        }
    });

    std::string expected;
    constexpr int kFrames = 20;
    for (int frame = 0; frame < kFrames; ++frame) {
        const std::string body = "frame " + std::to_string(frame) + " body";
        pty.send(body);
        expected += body;
        // The waiting thread has taken the bytes off the line (its own buffer holds them; the
        // count is looked at first, so the bytes cannot still be on their way to the line) ...
        ASSERT_TRUE(eventually([&] { return queued() == body.size() && pty.inputQueued() == 0; }));
        pty.send("\x04");
        expected += '\x04';
        // ... and only the end of the frame wakes it.
        std::unique_lock guard(lock);
        ASSERT_TRUE(changed.wait_for(guard, kBound,
                                     [&] { return wakes.size() == static_cast<std::size_t>(frame + 1); }));
    }
    abort->set();
    reader.join();

    ASSERT_EQ(wakes.size(), static_cast<std::size_t>(kFrames + 1));
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(wakes[static_cast<std::size_t>(frame)].result, 0u);
        EXPECT_EQ(wakes[static_cast<std::size_t>(frame)].mask, EV_RXFLAG) << "wake " << frame;
    }
    EXPECT_EQ(wakes.back().result, platform::ERROR_CANCELLED);
    EXPECT_EQ(std::string(received.begin(), received.end()), expected);
}

TEST_F(SerialEvents, AbortFromAnotherThreadEndsABlockedWait) {
    auto wait = waitAsync(abort);
    pty.send("no frame end here");
    ASSERT_TRUE(eventually([&] { return queued() == 17 && pty.inputQueued() == 0; }));
    abort->set();
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(wait.get().first, platform::ERROR_CANCELLED);

    // The bytes read ahead stay for the next read.
    std::vector<std::uint8_t> bytes;
    abort->reset();
    ASSERT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "no frame end here");
}

TEST_F(SerialEvents, AlreadySignalledAbortEndsWaitAndReadBeforeAnything) {
    abort->set();
    DWORD mask = 0xFFFF;
    EXPECT_EQ(serial.waitCommEvent(abort, mask), platform::ERROR_CANCELLED);
    EXPECT_EQ(mask, 0u);

    pty.send("queued");
    ASSERT_TRUE(eventually([&] { return queued() == 6; }));
    std::vector<std::uint8_t> bytes{'x'};
    EXPECT_EQ(serial.readPort(abort, bytes), platform::ERROR_CANCELLED);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{'x'});
    EXPECT_EQ(queued(), 6u);
}

TEST_F(SerialEvents, HangUpEndsTheWaitWithDeviceNotConnectedEveryTime) {
    auto wait = waitAsync(abort);
    pty.closeMaster();
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    const auto [result, mask] = wait.get();
    EXPECT_EQ(result, platform::ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(mask, 0u);

    // No event ever comes from a dead line: a later wait fails at once instead of spinning.
    DWORD again = 0;
    EXPECT_EQ(serial.waitCommEvent(nullptr, again), platform::ERROR_DEVICE_NOT_CONNECTED);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(serial.readPort(nullptr, bytes), 0u);  // nothing queued: nothing to read
    EXPECT_TRUE(bytes.empty());
    const std::uint8_t byte = 'x';
    EXPECT_EQ(serial.writePort(nullptr, &byte, 1), platform::ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(serial.close(), 0u);
}

TEST_F(SerialEvents, BytesReadAheadBeforeTheHangUpCanStillBeRead) {
    auto wait = waitAsync(abort);
    pty.send("tail");
    ASSERT_TRUE(eventually([&] { return queued() == 4 && pty.inputQueued() == 0; }));
    pty.closeMaster();
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(wait.get().first, platform::ERROR_DEVICE_NOT_CONNECTED);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "tail");
}

TEST_F(SerialEvents, WriteRaisesTxEmptyForAWaitInProgressAndForTheNextWait) {
    auto wait = waitAsync(abort);
    const std::uint8_t frame[] = {'S', 'T', 'A', 'R', 'T', '\n'};
    ASSERT_EQ(serial.writePort(nullptr, frame, sizeof frame), 0u);
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(wait.get(), std::make_pair(DWORD{0}, EV_TXEMPTY));

    // A write while nobody waits is remembered for the next wait, once.
    ASSERT_EQ(serial.writePort(nullptr, frame, sizeof frame), 0u);
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    EXPECT_EQ(mask, EV_TXEMPTY);
    abort->set();
    EXPECT_EQ(serial.waitCommEvent(abort, mask), platform::ERROR_CANCELLED);
    EXPECT_EQ(pty.receive(2 * sizeof frame).size(), 2 * sizeof frame);
}

TEST_F(SerialEvents, NewEventMaskEndsAWaitInProgressWithNoEvent) {
    auto wait = waitAsync(abort);
    // The wait is blocked once its bytes are read ahead; then the mask changes under it.
    pty.send("abc");
    ASSERT_TRUE(eventually([&] { return queued() == 3 && pty.inputQueued() == 0; }));
    ASSERT_EQ(serial.setEventMask(EV_RXCHAR), 0u);
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(wait.get(), std::make_pair(DWORD{0}, DWORD{0}));
}

TEST_F(SerialEvents, WaitWithAnEmptyMaskIsRefused) {
    ASSERT_EQ(serial.setEventMask(0), 0u);
    DWORD mask = 0;
    EXPECT_EQ(serial.waitCommEvent(nullptr, mask), platform::ERROR_INVALID_PARAMETER);
}

TEST_F(SerialEvents, CloseEndsEveryBlockedOperation) {
    ASSERT_EQ(serial.setEventMask(EV_RXFLAG), 0u);  // the write must not end the wait
    auto wait = waitAsync(nullptr);
    // Far end does not read: a large write blocks once the pty's buffers are full.
    std::vector<std::uint8_t> big(1 << 20, 'w');
    auto write = std::async(std::launch::async, [&] {
        return serial.writePort(nullptr, big.data(), static_cast<DWORD>(big.size()));
    });
    pty.send("pending");
    ASSERT_TRUE(eventually([&] { return queued() == 7 && pty.inputQueued() == 0; }));
    EXPECT_EQ(write.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(serial.close(), 0u);
    ASSERT_EQ(wait.wait_for(kBound), std::future_status::ready);
    ASSERT_EQ(write.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(wait.get().first, platform::ERROR_INVALID_HANDLE);
    EXPECT_EQ(write.get(), platform::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(serial.isOpen());
}

}  // namespace
