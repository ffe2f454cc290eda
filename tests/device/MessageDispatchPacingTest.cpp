// How the dispatch thread keeps up with a unit that sends at the line's full rate: every payload
// queued by the time it wakes is taken at once, and its pause between wakes holds no lock.
#include "device/MessageDispatchThread.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/threading/ThreadImpl.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using zeph::windows::system::threading::ThreadImpl;
using namespace quorvex::test;

namespace {

using Payload = std::vector<std::uint8_t>;
constexpr auto kHangGuard = std::chrono::seconds(30);

Payload numbered(std::uint32_t n) {
    return {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
}

std::uint32_t numberOf(const Payload& payload) {
    return static_cast<std::uint32_t>(payload[0]) | static_cast<std::uint32_t>(payload[1]) << 8 |
           static_cast<std::uint32_t>(payload[2]) << 16 | static_cast<std::uint32_t>(payload[3]) << 24;
}

// Records what it is handed; while closed, the handler holds the dispatch thread inside the first
// payload it gets, as a slow decode would.
class GatedDispatch final : public IMessageDispatch {
public:
    explicit GatedDispatch(bool open) : open_(open) {}

    void DispatchMessage(const std::uint8_t* payload, std::size_t size) override {
        std::unique_lock lock(mutex_);
        received_.emplace_back(payload, payload + size);
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

    // Waits (bounded) for that many payloads; returns what came.
    std::vector<Payload> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kHangGuard, [&] { return received_.size() >= count; });
        return received_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_;
    std::vector<Payload> received_;
};

class MessageDispatchPacing : public testing::Test {
protected:
    void start(GatedDispatch& target) {
        ASSERT_EQ(0u, thread_.create("Message Dispatch", &target, 0, 0, nullptr));
    }
    MessageDispatchThread& worker() { return thread_.getWorker(); }
    bool append(const Payload& payload) {
        return worker().appendMessageToQueue(payload.data(), payload.size());
    }
    void TearDown() override { thread_.shutdown(2000); }

    ThreadImpl<MessageDispatchThread> thread_;
};

}  // namespace

TEST_F(MessageDispatchPacing, AppendsDuringADispatchAreTakenTogetherInTheNextWake) {
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    beacon.flush();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("pacing", journal);
    ASSERT_EQ(0u, listener.attach());

    GatedDispatch target(false);
    start(target);
    ASSERT_TRUE(append(numbered(0)));
    ASSERT_EQ(1u, target.waitFor(1).size());

    // The dispatch thread is held inside the first payload: the read side still appends at once.
    constexpr std::uint32_t more = 50;
    for (std::uint32_t n = 1; n <= more; ++n) {
        ASSERT_TRUE(append(numbered(n)));
    }
    EXPECT_EQ(more, worker().queueDepth());
    EXPECT_TRUE(worker().messageWaiting());
    target.open();

    const auto received = target.waitFor(more + 1);
    ASSERT_EQ(more + 1, received.size());
    for (std::uint32_t n = 0; n <= more; ++n) {
        EXPECT_EQ(n, numberOf(received[n]));
    }
    EXPECT_EQ(0u, worker().queueDepth());
    EXPECT_FALSE(worker().messageWaiting());

    // One wake for the first payload, one for all fifty that queued up behind it.
    beacon.flush();
    std::vector<std::wstring> depths;
    for (const RecordedEntry& entry : journal) {
        if (entry.context == L"MessageDispatchThread::doWork" && entry.message.starts_with(L"Queue depth")) {
            depths.push_back(entry.message);
        }
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Queue depth 1.", L"Queue depth 50."}), depths);
}

TEST_F(MessageDispatchPacing, ThePauseHoldsNoLockAndEndsOnTerminate) {
    GatedDispatch target(true);
    // A pause that would never end by itself: the thread sits in it after its first wake.
    worker().setPause(zeph::platform::INFINITE);
    start(target);
    ASSERT_TRUE(append(numbered(1)));
    ASSERT_EQ(1u, target.waitFor(1).size());

    // The read side's append returns while the dispatch thread pauses.
    auto appended = std::async(std::launch::async, [&] { return append(numbered(2)); });
    ASSERT_EQ(std::future_status::ready, appended.wait_for(kHangGuard));
    EXPECT_TRUE(appended.get());
    EXPECT_EQ(1u, worker().queueDepth());
    EXPECT_TRUE(worker().messageWaiting());
    EXPECT_EQ(1u, target.waitFor(0).size());  // the next wake comes only after the pause

    // Terminate cuts the pause short; what is still queued is not dispatched.
    EXPECT_TRUE(thread_.shutdown(2000));
    EXPECT_EQ(0, thread_.getExitCode());
    EXPECT_EQ(1u, target.waitFor(0).size());
}

TEST_F(MessageDispatchPacing, AProducerFarFasterThanThePauseLosesAndRepeatsNothing) {
    GatedDispatch target(true);
    start(target);
    constexpr std::uint32_t count = 10000;
    std::thread producer([&] {
        for (std::uint32_t n = 0; n < count; ++n) {
            if (!append(numbered(n))) {
                ADD_FAILURE() << "append " << n << " refused";
                return;
            }
        }
    });
    producer.join();
    const auto received = target.waitFor(count);
    ASSERT_EQ(count, received.size());
    for (std::uint32_t n = 0; n < count; ++n) {
        ASSERT_EQ(n, numberOf(received[n])) << "at " << n;
    }
    EXPECT_EQ(0u, worker().queueDepth());
    EXPECT_FALSE(worker().messageWaiting());
}
