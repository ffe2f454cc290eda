#include "device/MessageDispatchThread.h"

#include "support/platform/LastError.h"
#include "support/threading/ThreadImpl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using zeph::windows::system::threading::CREATE_SUSPENDED;
using zeph::windows::system::threading::ThreadImpl;
using zeph::windows::system::threading::ThreadState;

namespace {

using Payload = std::vector<std::uint8_t>;

// Records what the dispatch thread hands on, and lets a test wait for a number of payloads.
class RecordingDispatch final : public IMessageDispatch {
public:
    void DispatchMessage(const std::uint8_t* payload, std::size_t size) override {
        std::lock_guard lock(mutex_);
        received_.emplace_back(payload, payload + size);
        arrived_.notify_all();
    }

    std::vector<Payload> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return received_.size() >= count; });
        return received_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Payload> received_;
};

class MessageDispatchThreadTest : public testing::Test {
protected:
    void start() { ASSERT_EQ(0u, thread_.create("Message Dispatch", &target_, 0, 0, nullptr)); }
    bool append(const Payload& payload) {
        return thread_.getWorker().appendMessageToQueue(payload.data(), payload.size());
    }
    void TearDown() override { thread_.shutdown(2000); }

    RecordingDispatch target_;
    ThreadImpl<MessageDispatchThread> thread_;
};

}  // namespace

TEST_F(MessageDispatchThreadTest, DispatchesPayloadsInArrivalOrderEachOnce) {
    start();
    const std::vector<Payload> sent = {{0x01, 0, 0, 0, 1, 7}, {0x02, 0, 0, 0, 3, 4}, {0x04, 0, 0, 0}};
    for (const Payload& payload : sent) {
        ASSERT_TRUE(append(payload));
    }
    EXPECT_EQ(sent, target_.waitFor(sent.size()));
    EXPECT_EQ(0u, thread_.getWorker().queueDepth());
    EXPECT_FALSE(thread_.getWorker().messageWaiting());

    // With the queue empty the thread goes back to waiting and dispatches nothing more.
    ASSERT_TRUE(append({0x08, 0, 0, 0}));
    const auto all = target_.waitFor(4);
    ASSERT_EQ(4u, all.size());
    EXPECT_EQ((Payload{0x08, 0, 0, 0}), all.back());
}

TEST_F(MessageDispatchThreadTest, KeepsOrderWhileAProducerRacesTheConsumer) {
    start();
    constexpr int count = 60;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) {
            EXPECT_TRUE(append({static_cast<std::uint8_t>(i), 0, 0, 0}));
        }
    });
    producer.join();
    const auto received = target_.waitFor(count);
    ASSERT_EQ(static_cast<std::size_t>(count), received.size());
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(i, received[i][0]);
    }
}

TEST_F(MessageDispatchThreadTest, TerminateWhileWaitingEndsRunWithZero) {
    ASSERT_EQ(0u, thread_.create("Message Dispatch", &target_, CREATE_SUSPENDED, 0, nullptr));
    thread_.resume();
    EXPECT_TRUE(thread_.shutdown(2000));
    EXPECT_EQ(0, thread_.getExitCode());
    EXPECT_EQ(ThreadState::Stopped, thread_.getState());
}

TEST_F(MessageDispatchThreadTest, AnAppendAfterTerminateIsRefusedAndQueuesNothing) {
    start();
    ASSERT_TRUE(thread_.shutdown(2000));
    EXPECT_FALSE(append({0x01, 0, 0, 0, 0}));
    EXPECT_EQ(0u, thread_.getWorker().queueDepth());
    EXPECT_TRUE(target_.waitFor(0).empty());
}

TEST_F(MessageDispatchThreadTest, RefusesToStartWithoutATarget) {
    EXPECT_EQ(zeph::platform::ERROR_INVALID_PARAMETER,
              thread_.create("Message Dispatch", nullptr, 0, 0, nullptr));
    EXPECT_EQ(nullptr, thread_.getHandle());
    EXPECT_EQ(ThreadState::Stopped, thread_.getState());
}

TEST_F(MessageDispatchThreadTest, ServesAgainAfterARestart) {
    start();
    ASSERT_TRUE(thread_.shutdown(2000));
    start();
    ASSERT_TRUE(append({0x10, 0, 0, 0, 0x20, 0x03}));
    EXPECT_EQ(1u, target_.waitFor(1).size());
}

TEST_F(MessageDispatchThreadTest, ARestartDiscardsWhatThePreviousRunLeftQueued) {
    // A long pause after the first payload leaves the second one queued when the thread ends.
    thread_.getWorker().setPause(60000);
    start();
    ASSERT_TRUE(append({0x01, 0, 0, 0, 0xA1}));
    ASSERT_EQ(1u, target_.waitFor(1).size());
    ASSERT_TRUE(append({0x20, 0, 0, 0, 0xB2}));
    ASSERT_TRUE(thread_.shutdown(2000));
    ASSERT_EQ(1u, thread_.getWorker().queueDepth());

    thread_.getWorker().setPause(10);
    start();
    EXPECT_EQ(0u, thread_.getWorker().queueDepth());
    EXPECT_FALSE(thread_.getWorker().messageWaiting());
    ASSERT_TRUE(append({0x02, 0, 0, 0, 0xC3}));
    const auto received = target_.waitFor(2);
    EXPECT_EQ((std::vector<Payload>{{0x01, 0, 0, 0, 0xA1}, {0x02, 0, 0, 0, 0xC3}}), received);
}
