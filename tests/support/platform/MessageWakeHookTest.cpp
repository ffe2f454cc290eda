#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "tests/support/platform/MessageLoopThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace zeph::platform;
using quorvex::test::TestSignal;

constexpr UINT kData = WM_USER + 30;
constexpr UINT kAsk = WM_USER + 31;
constexpr UINT kStop = WM_USER + 32;

// An event loop of another kind: it sleeps on its own condition, which only the wake hook
// signals, and drains the message queue with pumpMessages when woken.
TEST(MessageWakeHook, AForeignLoopWokenByTheHookReceivesEveryMessageInOrder) {
    constexpr int kPosters = 3;
    constexpr int kPerPoster = 1000;
    std::mutex mutex;              // guards woken
    std::condition_variable wake;  // signals woken
    bool woken = false;
    std::map<WPARAM, std::vector<LPARAM>> received;
    TestSignal ready;
    HWND window = nullptr;

    std::thread loop([&] {
        bool stopped = false;
        window = createMessageWindow([&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == kData) {
                received[wParam].push_back(lParam);
            }
            stopped = stopped || message == kStop;
            return message == kAsk ? lParam * 3 : 0;
        });
        setMessageWakeHook([&] {
            std::lock_guard lock(mutex);
            woken = true;
            wake.notify_one();
        });
        ready.set();
        std::unique_lock lock(mutex);
        while (!stopped) {
            wake.wait(lock, [&] { return woken; });
            woken = false;
            lock.unlock();
            pumpMessages();
            lock.lock();
        }
        lock.unlock();
        setMessageWakeHook({});
    });
    ASSERT_TRUE(ready.waitFor());

    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kPerPoster; ++i) {
                EXPECT_TRUE(postMessage(window, kData, static_cast<WPARAM>(p), i));
            }
        });
    }
    std::thread asker([&] {
        for (LPARAM i = 1; i <= 50; ++i) {
            EXPECT_EQ(i * 3, sendMessage(window, kAsk, 0, i));
        }
    });
    for (auto& poster : posters) {
        poster.join();
    }
    asker.join();
    ASSERT_TRUE(postMessage(window, kStop, 0, 0));
    loop.join();

    std::vector<LPARAM> expected(kPerPoster);
    std::iota(expected.begin(), expected.end(), 0);
    ASSERT_EQ(static_cast<std::size_t>(kPosters), received.size());
    for (const auto& [poster, values] : received) {
        EXPECT_EQ(expected, values) << "poster " << poster;
    }
}

TEST(MessageWakeHook, IsCalledWithoutLocksSoItMayPostToTheSameQueue) {
    std::thread([] {
        std::atomic<int> calls = 0;
        const auto self = currentThreadId();
        setMessageWakeHook([&] {
            if (++calls == 1) {
                postThreadMessage(self, kData, 2, 0);
            }
        });
        ASSERT_TRUE(postThreadMessage(self, kData, 1, 0));
        EXPECT_EQ(2, calls);

        setMessageWakeHook({});
        postThreadMessage(self, kData, 3, 0);
        EXPECT_EQ(2, calls);
        MSG msg;
        for (WPARAM expected : {1u, 2u, 3u}) {
            ASSERT_TRUE(peekMessage(msg, nullptr, 0, 0, PM_REMOVE));
            EXPECT_EQ(expected, msg.wParam);
        }
    }).join();
}

TEST(MessageWakeHook, RemovingTheHookWaitsForACallInProgressOnAnotherThread) {
    TestSignal inHook;
    TestSignal removing;
    std::atomic<bool> hookFinished = false;
    bool finishedWhenRemoved = false;
    ThreadId ownerId = 0;
    TestSignal installed;
    std::thread owner([&] {
        ownerId = currentThreadId();
        setMessageWakeHook([&] {
            inHook.set();
            EXPECT_TRUE(removing.waitFor());
            hookFinished = true;
        });
        installed.set();
        ASSERT_TRUE(inHook.waitFor());
        removing.set();
        // What the hook refers to may be destroyed as soon as this returns.
        setMessageWakeHook({});
        finishedWhenRemoved = hookFinished;
    });
    ASSERT_TRUE(installed.waitFor());
    std::thread poster([&] { postThreadMessage(ownerId, kData, 0, 0); });
    poster.join();
    owner.join();
    EXPECT_TRUE(finishedWhenRemoved);
}

}  // namespace
