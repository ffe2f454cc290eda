#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "tests/support/platform/MessageLoopThread.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace zeph::platform;
using quorvex::test::MessageLoopThread;
using quorvex::test::TestSignal;

constexpr UINT kFirst = WM_USER + 1;
constexpr UINT kSecond = WM_USER + 2;
constexpr UINT kThird = WM_USER + 3;

// Runs body on a fresh thread (which starts without a queue) and joins it.
template <typename Body>
void onNewThread(Body body) {
    std::thread(body).join();
}

TEST(ThreadQueueLifetime, AQueueExistsFromTheFirstPeekUntilTheThreadEnds) {
    MessageLoopThread owner;
    TestSignal usedWithoutQueue;
    TestSignal checkedWithoutQueue;
    TestSignal peeked;
    TestSignal posted;
    ThreadId id = 0;
    MSG received;
    std::thread worker([&] {
        id = currentThreadId();
        // Neither pumping nor sending to another thread's window gives a thread a queue.
        EXPECT_EQ(0u, pumpMessages());
        sendMessage(owner.window(), kFirst, 0, 0);
        usedWithoutQueue.set();
        ASSERT_TRUE(checkedWithoutQueue.waitFor());
        MSG msg;
        EXPECT_FALSE(peekMessage(msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
        peeked.set();
        ASSERT_TRUE(posted.waitFor());
        EXPECT_EQ(1, getMessage(received, nullptr, 0, 0));
    });
    ASSERT_TRUE(usedWithoutQueue.waitFor());
    setLastError(ERROR_SUCCESS);
    EXPECT_FALSE(postThreadMessage(id, kFirst, 0, 0));
    EXPECT_EQ(ERROR_INVALID_THREAD_ID, getLastError());
    checkedWithoutQueue.set();

    ASSERT_TRUE(peeked.waitFor());
    EXPECT_TRUE(postThreadMessage(id, kSecond, 7, 8));
    posted.set();
    worker.join();
    EXPECT_EQ(nullptr, received.hwnd);
    EXPECT_EQ(kSecond, received.message);
    EXPECT_EQ(7u, received.wParam);
    EXPECT_EQ(8, received.lParam);

    EXPECT_FALSE(postThreadMessage(id, kSecond, 0, 0));
    EXPECT_EQ(ERROR_INVALID_THREAD_ID, getLastError());
}

TEST(ThreadQueueOrder, PostsFromSeveralThreadsArriveInEachPostersOrder) {
    constexpr int kPosters = 4;
    constexpr int kPerPoster = 2000;
    TestSignal ready;
    ThreadId consumerId = 0;
    std::map<WPARAM, std::vector<LPARAM>> received;
    std::thread consumer([&] {
        MSG msg;
        peekMessage(msg, nullptr, 0, 0, PM_NOREMOVE);
        consumerId = currentThreadId();
        ready.set();
        while (getMessage(msg, nullptr, 0, 0) > 0) {
            received[msg.wParam].push_back(msg.lParam);
        }
    });
    ASSERT_TRUE(ready.waitFor());
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kPerPoster; ++i) {
                EXPECT_TRUE(postThreadMessage(consumerId, kFirst, static_cast<WPARAM>(p), i));
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    // Posted after every other message, so it is taken last.
    postThreadMessage(consumerId, WM_QUIT, 0, 0);
    consumer.join();

    ASSERT_EQ(static_cast<std::size_t>(kPosters), received.size());
    std::vector<LPARAM> expected(kPerPoster);
    std::iota(expected.begin(), expected.end(), 0);
    for (const auto& [poster, values] : received) {
        EXPECT_EQ(expected, values) << "poster " << poster;
    }
}

TEST(ThreadQueueOrder, QuitFromPostQuitMessageComesAfterEveryPostedMessage) {
    onNewThread([] {
        MSG msg;
        postQuitMessage(3);
        postThreadMessage(currentThreadId(), kFirst, 0, 0);
        postThreadMessage(currentThreadId(), kSecond, 0, 0);
        ASSERT_EQ(1, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(kFirst, msg.message);
        ASSERT_EQ(1, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(kSecond, msg.message);
        ASSERT_EQ(0, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(WM_QUIT, msg.message);
        EXPECT_EQ(3u, msg.wParam);
        EXPECT_FALSE(peekMessage(msg, nullptr, 0, 0, PM_REMOVE));
    });
}

TEST(ThreadQueueFilters, RangeAndWindowFiltersTakeOnlyWhatTheyName) {
    onNewThread([] {
        const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
        const auto self = currentThreadId();
        postThreadMessage(self, kFirst, 1, 0);
        postMessage(window, kSecond, 2, 0);
        postThreadMessage(self, kThird, 3, 0);

        MSG msg;
        ASSERT_TRUE(peekMessage(msg, nullptr, kThird, kThird, PM_REMOVE));
        EXPECT_EQ(3u, msg.wParam);
        ASSERT_TRUE(peekMessage(msg, window, 0, 0, PM_REMOVE));
        EXPECT_EQ(window, msg.hwnd);
        EXPECT_EQ(2u, msg.wParam);
        EXPECT_FALSE(peekMessage(msg, window, 0, 0, PM_REMOVE));
        EXPECT_FALSE(peekMessage(msg, nullptr, kSecond, kThird, PM_REMOVE));
        ASSERT_EQ(1, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(1u, msg.wParam);
        destroyWindow(window);
    });
}

TEST(ThreadQueueFilters, NoRemoveLeavesTheMessageForTheNextCall) {
    onNewThread([] {
        postQuitMessage(0);  // creates the queue
        postThreadMessage(currentThreadId(), kFirst, 5, 0);
        MSG msg;
        ASSERT_TRUE(peekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(kFirst, msg.message);
        ASSERT_TRUE(peekMessage(msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(kFirst, msg.message);
        ASSERT_TRUE(peekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(WM_QUIT, msg.message);
        EXPECT_EQ(0, getMessage(msg, nullptr, 0, 0));
    });
}

TEST(ThreadQueueFilters, QuitPassesAnyRangeButNotAWindowFilter) {
    onNewThread([] {
        const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
        postQuitMessage(9);
        MSG msg;
        // A loop draining one window (as the log beacon's flush does) must not swallow the quit.
        EXPECT_FALSE(peekMessage(msg, window, 0, 0, PM_REMOVE));
        EXPECT_EQ(0, getMessage(msg, nullptr, kFirst, kFirst));
        EXPECT_EQ(9u, msg.wParam);
        destroyWindow(window);
    });
}

TEST(ThreadQueueFilters, BadFiltersFailClearlyInsteadOfWaitingForever) {
    MessageLoopThread other;
    onNewThread([&] {
        MSG msg;
        setLastError(ERROR_SUCCESS);
        EXPECT_EQ(-1, getMessage(msg, nullptr, kThird, kFirst));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, getLastError());
        EXPECT_EQ(-1, getMessage(msg, other.window(), 0, 0));
        EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
        EXPECT_FALSE(peekMessage(msg, nullptr, 0, 0, 0x10));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, getLastError());

        const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
        destroyWindow(window);
        EXPECT_EQ(-1, getMessage(msg, window, 0, 0));
        EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
    });
}

TEST(ThreadQueueFilters, GetMessageOnADestroyedFilterWindowEndsWithMinusOne) {
    // A sent message destroys the window that the owner's getMessage is filtering on.
    TestSignal ready;
    HWND window = nullptr;
    int result = 0;
    std::thread owner([&] {
        window = createMessageWindow(
            [](HWND self, UINT, WPARAM, LPARAM) -> LRESULT { return destroyWindow(self) ? 1 : 0; });
        ready.set();
        MSG msg;
        result = getMessage(msg, window, 0, 0);
    });
    ASSERT_TRUE(ready.waitFor());
    EXPECT_EQ(1, sendMessage(window, kFirst, 0, 0));
    owner.join();
    EXPECT_EQ(-1, result);
}

TEST(PumpMessages, DispatchesWhatIsQueuedAndKeepsTheQuitForTheLoop) {
    onNewThread([] {
        std::vector<WPARAM> seen;
        const HWND window = createMessageWindow([&](HWND, UINT, WPARAM wParam, LPARAM) -> LRESULT {
            seen.push_back(wParam);
            return 0;
        });
        postMessage(window, kFirst, 1, 0);
        postThreadMessage(currentThreadId(), WM_QUIT, 4, 0);
        postMessage(window, kFirst, 2, 0);
        postThreadMessage(currentThreadId(), kSecond, 3, 0);

        EXPECT_EQ(3u, pumpMessages());
        EXPECT_EQ((std::vector<WPARAM>{1, 2}), seen);
        MSG msg;
        EXPECT_EQ(0, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(4u, msg.wParam);
        EXPECT_EQ(0u, pumpMessages());
        destroyWindow(window);
    });
}

TEST(PumpMessages, AProcedureThatRepostsItselfCannotKeepOnePumpRunning) {
    onNewThread([] {
        int calls = 0;
        const HWND window = createMessageWindow([&](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
            ++calls;
            postMessage(self, message, 0, 0);
            return 0;
        });
        postMessage(window, kFirst, 0, 0);
        EXPECT_EQ(1u, pumpMessages());
        EXPECT_EQ(1u, pumpMessages());
        EXPECT_EQ(2, calls);
        destroyWindow(window);
    });
}

}  // namespace
