#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "tests/support/platform/MessageLoopThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace zeph::platform;
using quorvex::test::MessageLoopThread;
using quorvex::test::TestSignal;

constexpr UINT kAsk = WM_USER + 20;
constexpr UINT kAnswer = WM_USER + 21;
constexpr UINT kPosted = WM_USER + 22;

// Counts the wakes of the calling thread's queue and signals once the count reaches a target:
// by then that many posts or sends are queued.
class WakeCounter {
public:
    explicit WakeCounter(int target) : target_(target) {
        setMessageWakeHook([this] {
            if (++count_ == target_) {
                reached_.set();
            }
        });
    }
    ~WakeCounter() { setMessageWakeHook({}); }
    bool waitForTarget() { return reached_.waitFor(); }

private:
    const int target_;
    std::atomic<int> count_ = 0;
    TestSignal reached_;
};

TEST(SendMessageSameThread, RunsTheProcedureAtOnceWithoutQueueing) {
    std::thread([] {
        const HWND window = createMessageWindow(
            [](HWND, UINT, WPARAM wParam, LPARAM) -> LRESULT { return static_cast<LRESULT>(wParam) * 2; });
        EXPECT_EQ(42, sendMessage(window, kAsk, 21, 0));
        MSG msg;
        EXPECT_FALSE(peekMessage(msg, nullptr, 0, 0, PM_REMOVE));
        destroyWindow(window);
        setLastError(ERROR_SUCCESS);
        EXPECT_EQ(0, sendMessage(window, kAsk, 21, 0));
        EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
    }).join();
}

TEST(SendMessageCrossThread, BlocksUntilTheOwnerHandledItAndReturnsItsResult) {
    std::atomic<ThreadId> handledOn = 0;
    MessageLoopThread owner([&](HWND, UINT, WPARAM, LPARAM lParam) -> LRESULT {
        handledOn = currentThreadId();
        return lParam + 1;
    });
    std::vector<std::thread> senders;
    for (LPARAM i = 0; i < 4; ++i) {
        senders.emplace_back([&, i] {
            for (LPARAM n = 0; n < 200; ++n) {
                EXPECT_EQ(i * 1000 + n + 1, sendMessage(owner.window(), kAsk, 0, i * 1000 + n));
            }
        });
    }
    for (auto& sender : senders) {
        sender.join();
    }
    EXPECT_EQ(owner.id(), handledOn.load());
}

TEST(SendMessageCrossThread, SentMessagesAreHandledBeforePostedOnes) {
    TestSignal ready;
    TestSignal queued;
    std::vector<UINT> order;
    HWND window = nullptr;
    std::thread owner([&] {
        window = createMessageWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
            order.push_back(message);
            return 0;
        });
        WakeCounter wakes(2);
        ready.set();
        ASSERT_TRUE(wakes.waitForTarget());
        EXPECT_EQ(2u, pumpMessages());
        queued.set();
    });
    ASSERT_TRUE(ready.waitFor());
    ASSERT_TRUE(postMessage(window, kPosted, 0, 0));
    std::thread sender([&] { sendMessage(window, kAsk, 0, 0); });
    ASSERT_TRUE(queued.waitFor());
    sender.join();
    owner.join();
    EXPECT_EQ((std::vector<UINT>{kAsk, kPosted}), order);
}

TEST(SendMessageCrossThread, TwoThreadsSendingToEachOtherDoNotLockUp) {
    HWND first = nullptr;
    MessageLoopThread second([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        // The first thread is blocked sending to us: it must still answer this.
        return sendMessage(first, kAnswer, 0, 0) + 1;
    });
    MessageLoopThread firstThread([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == kAnswer ? 41 : sendMessage(second.window(), kAsk, 0, 0);
    });
    first = firstThread.window();
    EXPECT_EQ(42, sendMessage(first, kAsk, 0, 0));
}

TEST(SendMessageRelease, AWindowDestroyedWhileTheSenderWaitsReleasesItWithZero) {
    TestSignal ready;
    TestSignal senderDone;
    std::atomic<int> calls = 0;
    HWND window = nullptr;
    std::thread owner([&] {
        window = createMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
        WakeCounter wakes(1);
        ready.set();
        ASSERT_TRUE(wakes.waitForTarget());
        EXPECT_TRUE(destroyWindow(window));
        // Stays alive (without pumping) so only the destruction can release the sender.
        EXPECT_TRUE(senderDone.waitFor());
    });
    ASSERT_TRUE(ready.waitFor());
    std::thread sender([&] {
        setLastError(ERROR_SUCCESS);
        EXPECT_EQ(0, sendMessage(window, kAsk, 0, 0));
        EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
        senderDone.set();
    });
    sender.join();
    owner.join();
    EXPECT_EQ(0, calls);
}

TEST(SendMessageRelease, TheOwnerThreadsEndReleasesEverySenderWithZero) {
    constexpr int kSenders = 3;
    TestSignal ready;
    std::atomic<int> calls = 0;
    HWND window = nullptr;
    std::thread owner([&] {
        window = createMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
        WakeCounter wakes(kSenders);
        ready.set();
        ASSERT_TRUE(wakes.waitForTarget());
        // Ends without ever pumping its queue.
    });
    ASSERT_TRUE(ready.waitFor());
    std::vector<std::thread> senders;
    for (int i = 0; i < kSenders; ++i) {
        senders.emplace_back([&] {
            setLastError(ERROR_SUCCESS);
            EXPECT_EQ(0, sendMessage(window, kAsk, 0, 0));
            EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
        });
    }
    for (auto& sender : senders) {
        sender.join();
    }
    owner.join();
    EXPECT_EQ(0, calls);
    EXPECT_FALSE(isWindow(window));
}

}  // namespace
