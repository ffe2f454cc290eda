#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "tests/support/platform/MessageLoopThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zeph::platform;
using quorvex::test::MessageLoopThread;
using quorvex::test::TestSignal;

constexpr UINT kPing = WM_USER + 10;

template <typename Body>
void onNewThread(Body body) {
    std::thread(body).join();
}

TEST(MessageWindowLifetime, HandlesAreUniqueAndNeverComeBackAfterDestruction) {
    onNewThread([] {
        std::set<HWND> handles;
        for (int i = 0; i < 100; ++i) {
            const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
            ASSERT_NE(nullptr, window);
            EXPECT_TRUE(isWindow(window));
            EXPECT_EQ(currentThreadId(), getWindowThreadId(window));
            EXPECT_TRUE(handles.insert(window).second);
            EXPECT_TRUE(destroyWindow(window));
            EXPECT_FALSE(isWindow(window));
        }
        setLastError(ERROR_SUCCESS);
        EXPECT_FALSE(destroyWindow(*handles.begin()));
        EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
        EXPECT_EQ(0u, getWindowThreadId(*handles.begin()));
        EXPECT_FALSE(isWindow(nullptr));
    });
}

TEST(MessageWindowLifetime, AWindowWithoutAProcedureIsRefused) {
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, createMessageWindow(WindowProc{}));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, getLastError());
}

TEST(MessageWindowLifetime, OnlyTheOwnerThreadMayDestroyAWindow) {
    MessageLoopThread owner;
    setLastError(ERROR_SUCCESS);
    EXPECT_FALSE(destroyWindow(owner.window()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, getLastError());
    EXPECT_TRUE(isWindow(owner.window()));
    EXPECT_EQ(owner.id(), getWindowThreadId(owner.window()));
}

TEST(MessageWindowLifetime, TheOwnerThreadsEndDestroysItsWindowsAndReleasesTheirProcedures) {
    auto capture = std::make_shared<int>(0);
    HWND window = nullptr;
    onNewThread([&] {
        window = createMessageWindow([capture](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    });
    EXPECT_FALSE(isWindow(window));
    EXPECT_EQ(1, capture.use_count());
    setLastError(ERROR_SUCCESS);
    EXPECT_FALSE(postMessage(window, kPing, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
}

TEST(MessageWindowPosting, PostingToANullUnknownOrDestroyedWindowFailsWithInvalidWindowHandle) {
    onNewThread([] {
        const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
        destroyWindow(window);
        for (HWND target : {HWND{}, window, reinterpret_cast<HWND>(0x7fff'0000)}) {
            setLastError(ERROR_SUCCESS);
            EXPECT_FALSE(postMessage(target, kPing, 0, 0));
            EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, getLastError());
        }
    });
}

TEST(MessageWindowPosting, AQueueHoldsTenThousandPostsAndRefusesMoreWithNotEnoughQuota) {
    onNewThread([] {
        const HWND window = createMessageWindow(MessageLoopThread::defaultProcedure);
        MSG probe;
        peekMessage(probe, nullptr, 0, 0, PM_NOREMOVE);
        for (int i = 0; i < 10000; ++i) {
            ASSERT_TRUE(postMessage(window, kPing, static_cast<WPARAM>(i), 0)) << i;
        }
        setLastError(ERROR_SUCCESS);
        EXPECT_FALSE(postMessage(window, kPing, 10000, 0));
        EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, getLastError());
        EXPECT_FALSE(postThreadMessage(currentThreadId(), kPing, 10001, 0));
        EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, getLastError());
        // The quit request is a flag, never refused; taking one message makes room for one.
        postQuitMessage(3);
        ASSERT_TRUE(peekMessage(probe, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(0u, probe.wParam);
        EXPECT_TRUE(postMessage(window, kPing, 10002, 0));
        EXPECT_FALSE(postMessage(window, kPing, 10003, 0));
        destroyWindow(window);
    });
}

TEST(MessageWindowPosting, DispatchHandsTheMessageToTheProcedureAndReturnsItsResult) {
    onNewThread([] {
        MSG handled;
        const HWND window = createMessageWindow([&](HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
            handled = MSG{self, message, wParam, lParam};
            return LRESULT{42};
        });
        ASSERT_TRUE(postMessage(window, kPing, 11, -12));
        MSG msg;
        ASSERT_EQ(1, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(42, dispatchMessage(msg));
        EXPECT_EQ(window, handled.hwnd);
        EXPECT_EQ(kPing, handled.message);
        EXPECT_EQ(11u, handled.wParam);
        EXPECT_EQ(-12, handled.lParam);
        EXPECT_EQ(0, dispatchMessage(MSG{nullptr, kPing, 0, 0}));
        destroyWindow(window);
    });
}

TEST(MessageWindowPosting, AMessageForAWindowDestroyedBeforeDispatchIsDropped) {
    onNewThread([] {
        int calls = 0;
        const HWND window =
            createMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
        postMessage(window, kPing, 0, 0);
        destroyWindow(window);
        MSG msg;
        ASSERT_EQ(1, getMessage(msg, nullptr, 0, 0));
        EXPECT_EQ(window, msg.hwnd);
        EXPECT_EQ(0, dispatchMessage(msg));
        EXPECT_EQ(0, calls);
    });
}

TEST(MessageWindowPosting, AnotherThreadCannotRunAWindowsProcedureThroughDispatch) {
    std::atomic<int> calls = 0;
    MessageLoopThread owner([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(0, dispatchMessage(MSG{owner.window(), kPing, 0, 0}));
    EXPECT_EQ(ERROR_ACCESS_DENIED, getLastError());
    owner.stop();
    EXPECT_EQ(0, calls);
}

TEST(MessageWindowReentrancy, AProcedureMayDestroyItsOwnWindowAndKeepsItsStateUntilItReturns) {
    onNewThread([] {
        std::vector<std::string> log;
        auto name = std::make_shared<std::string>("first window");
        const HWND window = createMessageWindow([&log, name](HWND self, UINT, WPARAM, LPARAM) -> LRESULT {
            EXPECT_TRUE(destroyWindow(self));
            // Still alive although its window is gone: the call holds the procedure.
            log.push_back(*name);
            return 1;
        });
        std::weak_ptr<std::string> watch = name;
        name.reset();
        postMessage(window, kPing, 0, 0);
        postMessage(window, kPing, 0, 0);
        EXPECT_EQ(2u, pumpMessages());
        EXPECT_EQ(std::vector<std::string>{"first window"}, log);
        EXPECT_TRUE(watch.expired());
    });
}

TEST(MessageWindowReentrancy, AProcedureMayCreateWindowsAndPostOrSendToThem) {
    onNewThread([] {
        std::vector<int> order;
        HWND child = nullptr;
        const HWND parent = createMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            child = createMessageWindow([&](HWND, UINT, WPARAM wParam, LPARAM) -> LRESULT {
                order.push_back(static_cast<int>(wParam));
                return static_cast<LRESULT>(wParam) * 10;
            });
            postMessage(child, kPing, 2, 0);
            order.push_back(static_cast<int>(sendMessage(child, kPing, 1, 0)));
            return 0;
        });
        postMessage(parent, kPing, 0, 0);
        pumpMessages();
        pumpMessages();
        EXPECT_EQ((std::vector<int>{1, 10, 2}), order);
        destroyWindow(child);
        destroyWindow(parent);
    });
}

}  // namespace
