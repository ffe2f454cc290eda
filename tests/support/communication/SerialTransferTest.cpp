// readPort and writePort: draining in chunks, order, purging, the write mutex and the
// write-complete event.
#include "support/communication/Serial.h"
#include "support/platform/Event.h"
#include "support/platform/Mutex.h"
#include "support/platform/Wait.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using namespace zeph::windows::communication;
using quorvex::test::eventually;
using quorvex::test::PseudoTerminal;
using quorvex::test::TemporaryPortDirectory;
namespace platform = zeph::platform;

constexpr auto kBound = std::chrono::seconds(10);

// Records the size of every ReadFile the port makes.
class RecordingSerial : public Serial {
public:
    using Serial::Serial;
    std::vector<DWORD> reads;

protected:
    DWORD readFile(std::uint8_t* buffer, DWORD length, DWORD& read) override {
        reads.push_back(length);
        return Serial::readFile(buffer, length, read);
    }
};

class SerialTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(serial.open(ports.add(pty)), 0u);
        ASSERT_EQ(serial.setEventMask(EV_ERR | EV_TXEMPTY), 0u);
        ASSERT_EQ(serial.setEventChar(), 0u);
    }

    DWORD queued() {
        COMSTAT status;
        EXPECT_EQ(serial.clearCommError(nullptr, &status), 0u);
        return status.cbInQue;
    }

    static std::vector<std::uint8_t> pattern(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>('A' + i % 26);
        }
        return bytes;
    }

    PseudoTerminal pty;
    TemporaryPortDirectory ports;
    RecordingSerial serial{ports.directory()};
    AbortEvent abort = platform::Event::create(true, false);
};

TEST_F(SerialTransfer, EmptyQueueReadsNothingAndLeavesTheVectorAlone) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(serial.reads.empty());
}

TEST_F(SerialTransfer, QueuedBytesAreReadInChunksOfAtMost1024InOrder) {
    std::vector<std::uint8_t> frame = pattern(3000);
    frame.back() = 0x04;
    pty.send(frame);
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    ASSERT_EQ(mask, EV_RXFLAG);

    std::vector<std::uint8_t> bytes{0xEE};
    ASSERT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(serial.reads, (std::vector<DWORD>{1024, 1024, 952}));
    ASSERT_EQ(bytes.size(), 3001u);
    EXPECT_EQ(bytes.front(), 0xEE);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), bytes.begin() + 1));
}

TEST_F(SerialTransfer, BytesReadAheadComeBeforeTheDriversInArrivalOrder) {
    pty.send("first\x04");
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    pty.send("second");
    // Six bytes read ahead by the wait plus six in the driver's queue.
    ASSERT_TRUE(eventually([&] { return queued() == 12; }));
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\x04second");
}

TEST_F(SerialTransfer, PurgeDiscardsBytesReadAheadAndQueuedInTheDriver) {
    pty.send("stale\x04");
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    pty.send("older");
    ASSERT_TRUE(eventually([&] { return queued() == 11; }));
    ASSERT_EQ(serial.purgeBuffers(), 0u);
    EXPECT_EQ(queued(), 0u);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_TRUE(bytes.empty());

    pty.send("fresh\x04");
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    ASSERT_EQ(serial.readPort(abort, bytes), 0u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "fresh\x04");
}

TEST_F(SerialTransfer, WriteDeliversEveryByteAndSignalsWriteComplete) {
    const std::shared_ptr<platform::Event> complete = serial.writeCompleteEvent();
    ASSERT_TRUE(complete);
    // More than the pty holds: the write completes only as the far end reads.
    const std::vector<std::uint8_t> bytes = pattern(200000);
    auto far = std::async(std::launch::async, [&] { return pty.receive(bytes.size()); });
    EXPECT_EQ(serial.writePort(abort, bytes.data(), static_cast<DWORD>(bytes.size())), 0u);
    EXPECT_EQ(platform::waitForSingleObject(complete, 0), platform::WAIT_OBJECT_0);
    EXPECT_EQ(far.get(), bytes);
}

TEST_F(SerialTransfer, FreeWriteMutexWinsOverASignalledAbort) {
    abort->set();
    const std::uint8_t ack[] = {0x06, '\n'};
    EXPECT_EQ(serial.writePort(abort, ack, sizeof ack), 0u);
    EXPECT_EQ(pty.receive(2), std::vector<std::uint8_t>(ack, ack + 2));
}

TEST_F(SerialTransfer, AbortEndsAWaitForTheWriteMutexWithoutWriting) {
    // The write mutex is the process's mutex of that name: holding it shuts writers out.
    const std::shared_ptr<platform::Mutex> writeLock = platform::Mutex::create(false, L"write mutex");
    std::promise<void> held;
    std::promise<void> done;
    std::thread holder([&] {
        ASSERT_EQ(platform::waitForSingleObject(writeLock, 0), platform::WAIT_OBJECT_0);
        held.set_value();
        done.get_future().wait();
        writeLock->release();
    });
    held.get_future().wait();
    const std::shared_ptr<platform::Event> complete = serial.writeCompleteEvent();
    complete->reset();
    const std::uint8_t bytes[] = {'l', 'o', 's', 't'};
    auto write = std::async(std::launch::async, [&] { return serial.writePort(abort, bytes, sizeof bytes); });
    EXPECT_EQ(write.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    abort->set();
    ASSERT_EQ(write.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(write.get(), platform::ERROR_CANCELLED);
    // Whoever waits for the write to finish is released by the cancellation as well.
    EXPECT_EQ(platform::waitForSingleObject(complete, 0), platform::WAIT_OBJECT_0);
    done.set_value();
    holder.join();
    EXPECT_TRUE(pty.receive(1, std::chrono::milliseconds(100)).empty());
}

TEST_F(SerialTransfer, AbortEndsAWriteTheFarEndDoesNotTake) {
    const std::vector<std::uint8_t> bytes = pattern(1 << 20);
    auto write = std::async(std::launch::async, [&] {
        return serial.writePort(abort, bytes.data(), static_cast<DWORD>(bytes.size()));
    });
    EXPECT_EQ(write.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    abort->set();
    ASSERT_EQ(write.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(write.get(), platform::ERROR_CANCELLED);
}

TEST_F(SerialTransfer, ConcurrentWritesNeverInterleave) {
    constexpr int kWriters = 4;
    constexpr int kFramesEach = 8;
    constexpr std::size_t kFrameSize = 20000;  // larger than the pty buffers: each write blocks part-way
    auto far = std::async(std::launch::async, [&] {
        return pty.receive(kWriters * kFramesEach * kFrameSize, std::chrono::seconds(30));
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            const std::vector<std::uint8_t> frame(kFrameSize, static_cast<std::uint8_t>('a' + w));
            for (int i = 0; i < kFramesEach; ++i) {
                EXPECT_EQ(serial.writePort(nullptr, frame.data(), static_cast<DWORD>(frame.size())), 0u);
            }
        });
    }
    for (std::thread& t : writers) {
        t.join();
    }
    const std::vector<std::uint8_t> stream = far.get();
    ASSERT_EQ(stream.size(), kWriters * kFramesEach * kFrameSize);
    for (std::size_t start = 0; start < stream.size(); start += kFrameSize) {
        const auto first = stream.begin() + static_cast<std::ptrdiff_t>(start);
        EXPECT_TRUE(std::all_of(first, first + kFrameSize, [&](std::uint8_t b) { return b == *first; }))
            << "frame at " << start << " was interleaved with another";
    }
}

}  // namespace
