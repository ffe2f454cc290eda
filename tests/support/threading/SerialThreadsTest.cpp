#include "support/communication/Serial.h"
#include "support/platform/LastError.h"
#include "support/platform/TextConversion.h"
#include "support/threading/SerialReadThread.h"
#include "support/threading/SerialWriteThread.h"
#include "support/threading/ThreadImpl.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

using namespace zeph::windows::system::threading;
using namespace zeph::windows::communication;
using namespace quorvex::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A port on a pseudo-terminal, configured as a connection configures it: raw, 0x04 wakes.
class SerialThreadsTest : public testing::Test {
protected:
    SerialThreadsTest() {
        EXPECT_EQ(0u, port_.open(zeph::platform::widen(unit_.slaveName())));
        EXPECT_EQ(0u,
                  port_.setBaudRate(BaudRate::Baud115200, DataBits::Bits8, Parity::NoParity, StopBits::One));
        EXPECT_EQ(0u, port_.setEventMask(EV_ERR | EV_TXEMPTY));
        EXPECT_EQ(0u, port_.setEventChar());
        params_.port = &port_;
    }
    ~SerialThreadsTest() override {
        writer_.shutdown(2000);
        reader_.shutdown(2000);
    }

    PseudoTerminal unit_;
    Serial port_;
    SerialThreadParams params_;
    ThreadImpl<SerialWriteThread> writer_;
    ThreadImpl<SerialReadThread> reader_;
};

// A write-complete callback that holds the write thread until the test lets it go.
class Gate {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        ++arrived_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    bool waitArrived(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return arrived_ >= count; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    bool open_ = false;
};

// Splits what it is given at each 0x04, as the frame layer would: a whole "frame" is accepted,
// a part waits for more.
struct ChunkParser {
    std::mutex mutex;
    std::vector<Bytes> calls;
    DWORD resultForWhole = FRAME_ACCEPTED;

    DWORD parse(const std::uint8_t* bytes, DWORD length, DWORD& consumed) {
        std::lock_guard lock(mutex);
        calls.emplace_back(bytes, bytes + length);
        const Bytes seen(bytes, bytes + length);
        const auto end = std::find(seen.begin(), seen.end(), 0x04);
        if (end == seen.end()) {
            consumed = 0;
            return zeph::platform::ERROR_MORE_DATA;
        }
        consumed = static_cast<DWORD>(end - seen.begin() + 1);
        return resultForWhole;
    }
    std::vector<Bytes> snapshot() {
        std::lock_guard lock(mutex);
        return calls;
    }
    // The read thread's callback, parsing with this object.
    ReadCallback callback() {
        return [this](const EventHandle&, const std::uint8_t* bytes, const DWORD& length, DWORD& consumed) {
            return parse(bytes, length, consumed);
        };
    }
};

}  // namespace

TEST_F(SerialThreadsTest, WritesItemsInOrderEachAfterThePreviousCompleted) {
    Gate gate;
    std::vector<DWORD> tags;
    params_.writeComplete = [&](const EventHandle&, const std::uint8_t*, const DWORD&, const DWORD& result,
                                const DWORD& tag) {
        EXPECT_EQ(0u, result);
        tags.push_back(tag);
        gate.wait();
    };
    ASSERT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
    const std::string first = "START\n";
    const std::string second = "INCGAIN\n";
    ASSERT_TRUE(writer_.getWorker().queueData(reinterpret_cast<const std::uint8_t*>(first.data()), 6, 3000));
    ASSERT_TRUE(writer_.getWorker().queueData(reinterpret_cast<const std::uint8_t*>(second.data()), 8, 0));

    ASSERT_TRUE(gate.waitArrived(1));
    EXPECT_EQ(Bytes(first.begin(), first.end()), unit_.receive(6));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(100)).empty()) << "the second waits for the first";
    gate.open();
    EXPECT_EQ(Bytes(second.begin(), second.end()), unit_.receive(8));
    ASSERT_TRUE(gate.waitArrived(2));
    EXPECT_EQ((std::vector<DWORD>{3000, 0}), tags);
}

TEST_F(SerialThreadsTest, TheFormatCallbackMayGrowTheItemAndFailureEndsTheThread) {
    params_.format = [](const EventHandle&, Bytes& buffer, DWORD length) {
        if (buffer.front() == 'X') {
            return -1;
        }
        buffer.push_back(0x0A);
        return static_cast<int>(length + 1);
    };
    ASSERT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
    const std::uint8_t text[] = {'R', 'E', 'Q', 'G', 'P', 'S'};
    ASSERT_TRUE(writer_.getWorker().queueData(text, 6, 0));
    EXPECT_EQ((Bytes{'R', 'E', 'Q', 'G', 'P', 'S', 0x0A}), unit_.receive(7));

    const std::uint8_t bad[] = {'X'};
    ASSERT_TRUE(writer_.getWorker().queueData(bad, 1, 0));
    ASSERT_TRUE(eventually([&] { return writer_.getHandle() == nullptr; }));
    EXPECT_EQ(static_cast<std::int32_t>(zeph::platform::ERROR_OUTOFMEMORY), writer_.getExitCode());
}

TEST_F(SerialThreadsTest, QueueDataAfterShutdownIsRefused) {
    ASSERT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
    ASSERT_TRUE(writer_.shutdown(2000));
    const std::uint8_t text[] = {'S', 'T', 'O', 'P', 0x0A};
    EXPECT_FALSE(writer_.getWorker().queueData(text, 5, 0));
    EXPECT_TRUE(unit_.receive(1, std::chrono::milliseconds(100)).empty());
}

TEST_F(SerialThreadsTest, QueueingWhileTheWriterRestartsIsSafeAndTheNextRunWrites) {
    // A command from the window thread may arrive while a reconnection starts the writer again.
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        const std::uint8_t text[] = {'P'};
        while (!stop.load()) {
            writer_.getWorker().queueData(text, 1, 0);
            std::this_thread::yield();
        }
    });
    for (int run = 0; run < 20; ++run) {
        EXPECT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
        EXPECT_TRUE(writer_.shutdown(2000));
    }
    stop.store(true);
    producer.join();

    ASSERT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
    const std::uint8_t text[] = {'Q', 0x0A};
    ASSERT_TRUE(writer_.getWorker().queueData(text, 2, 0));
    // Whatever the earlier runs wrote comes first; the new run's item arrives after it.
    Bytes written;
    EXPECT_TRUE(eventually([&] {
        const Bytes more = unit_.receive(4096, std::chrono::milliseconds(50));
        written.insert(written.end(), more.begin(), more.end());
        return written.size() >= 2 && written.back() == 0x0A;
    }));
    EXPECT_EQ('Q', written.size() >= 2 ? written[written.size() - 2] : 0);
}

TEST_F(SerialThreadsTest, TheQueueHoldsAtMostItsLimitAndRefusesMoreWithNotEnoughQuota) {
    Gate gate;
    params_.writeComplete = [&](const EventHandle&, const std::uint8_t*, const DWORD&, const DWORD&,
                                const DWORD&) { gate.wait(); };
    ASSERT_EQ(0u, writer_.create("Serial Write", &params_, 0, 0, nullptr));
    const std::uint8_t text[] = {'R', 0x0A};
    // The first item is taken and held in its write-complete callback; the rest wait.
    ASSERT_TRUE(writer_.getWorker().queueData(text, 2, 0));
    ASSERT_TRUE(gate.waitArrived(1));
    for (std::size_t i = 0; i < SerialWriteThread::QueueLimit; ++i) {
        ASSERT_TRUE(writer_.getWorker().queueData(text, 2, 0)) << i;
    }
    zeph::platform::setLastError(0);
    EXPECT_FALSE(writer_.getWorker().queueData(text, 2, 0));
    EXPECT_EQ(zeph::platform::ERROR_NOT_ENOUGH_QUOTA, zeph::platform::getLastError());
    gate.open();
    EXPECT_TRUE(writer_.shutdown(2000));  // before the gate goes
}

TEST_F(SerialThreadsTest, HalfAFrameWaitsInTheBufferForTheRest) {
    ChunkParser parser;
    params_.read = parser.callback();
    ASSERT_EQ(0u, reader_.create("Serial Read", &params_, 0, 0, nullptr));
    unit_.send(
        std::string("AB\x04"
                    "CD"));
    ASSERT_TRUE(eventually([&] { return parser.snapshot().size() == 2; }));
    unit_.send(std::string("E\x04"));
    ASSERT_TRUE(eventually([&] { return parser.snapshot().size() == 3; }));
    EXPECT_EQ((std::vector<Bytes>{{'A', 'B', 0x04, 'C', 'D'}, {'C', 'D'}, {'C', 'D', 'E', 0x04}}),
              parser.snapshot());
}

TEST_F(SerialThreadsTest, AChecksumErrorDiscardsTheBuffer) {
    ChunkParser parser;
    parser.resultForWhole = FRAME_CHECKSUM_ERROR;
    params_.read = parser.callback();
    ASSERT_EQ(0u, reader_.create("Serial Read", &params_, 0, 0, nullptr));
    unit_.send(
        std::string("AB\x04"
                    "CD"));
    ASSERT_TRUE(eventually([&] { return parser.snapshot().size() == 1; }));
    unit_.send(std::string("E\x04"));
    ASSERT_TRUE(eventually([&] { return parser.snapshot().size() == 2; }));
    EXPECT_EQ((Bytes{'E', 0x04}), parser.snapshot()[1]) << "nothing of the bad frame's read is kept";
}

TEST_F(SerialThreadsTest, TerminatingTheWaitingReaderEndsItCleanly) {
    params_.read = [](const EventHandle&, const std::uint8_t*, const DWORD&, DWORD& consumed) {
        consumed = 0;
        return DWORD{0};
    };
    ASSERT_EQ(0u, reader_.create("Serial Read", &params_, 0, 0, nullptr));
    ASSERT_TRUE(eventually([&] { return reader_.getState() == ThreadState::Wait; }));
    EXPECT_TRUE(reader_.shutdown(2000));
    EXPECT_EQ(0, reader_.getExitCode());
    EXPECT_EQ(nullptr, reader_.getHandle());
}

TEST_F(SerialThreadsTest, TheReaderNeedsAReadCallback) {
    EXPECT_NE(0u, reader_.create("Serial Read", &params_, 0, 0, nullptr));
    EXPECT_EQ(nullptr, reader_.getHandle());
}
