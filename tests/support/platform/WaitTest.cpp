#include "support/platform/Wait.h"

#include "support/platform/Event.h"
#include "support/platform/LastError.h"
#include "support/platform/Mutex.h"
#include "tests/support/platform/KernelObjectProbe.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zeph::platform {
namespace {

using quorvex::test::kLongWaitMs;
using quorvex::test::waitersArrive;

TEST(Wait, RefusesBadArgumentsWithTheWindowsErrors) {
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(waitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(getLastError(), ERROR_INVALID_HANDLE);

    const Handle event = Event::create(true, true);
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(waitForMultipleObjects({event, nullptr}, false, 0), WAIT_FAILED);
    EXPECT_EQ(getLastError(), ERROR_INVALID_HANDLE);

    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(waitForMultipleObjects(std::span<const Handle>(), false, 0), WAIT_FAILED);
    EXPECT_EQ(getLastError(), ERROR_INVALID_PARAMETER);

    const std::vector<Handle> tooMany(MAXIMUM_WAIT_OBJECTS + 1, event);
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(waitForMultipleObjects(tooMany, false, 0), WAIT_FAILED);
    EXPECT_EQ(getLastError(), ERROR_INVALID_PARAMETER);

    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(waitForMultipleObjects({event, event}, true, 0), WAIT_FAILED);
    EXPECT_EQ(getLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Wait, TimesOutOnAnUnsignalledObject) {
    const Handle event = Event::create(true, false);
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(waitForSingleObject(event, 20), WAIT_TIMEOUT);
    EXPECT_EQ(waitForMultipleObjects({event, Event::create(false, false)}, false, 20), WAIT_TIMEOUT);
    EXPECT_EQ(WaitRegistry::waitingOn(*event), 0u);  // a timed-out wait leaves nothing behind
}

TEST(Wait, AnyGivesTheLowestSignalledIndex) {
    std::vector<std::shared_ptr<Event>> events;
    for (int i = 0; i < 4; ++i) {
        events.push_back(Event::create(false, false));
    }
    const std::vector<Handle> handles(events.begin(), events.end());
    events[3]->set();
    events[1]->set();
    EXPECT_EQ(waitForMultipleObjects(handles, false, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(waitForMultipleObjects(handles, false, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(waitForMultipleObjects(handles, false, 0), WAIT_TIMEOUT);
}

TEST(Wait, AnyWokenBySecondObjectReportsItsIndex) {
    const auto terminate = Event::create(true, false);
    const auto data = Event::create(false, false);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = waitForMultipleObjects({terminate, data}, false, kLongWaitMs); });
    ASSERT_TRUE(waitersArrive(*data, 1));
    data->set();
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0 + 1);
    EXPECT_EQ(waitForSingleObject(data, 0), WAIT_TIMEOUT);  // the waiter took it
    EXPECT_EQ(WaitRegistry::waitingOn(*terminate), 0u);
}

TEST(Wait, AllTakesNothingUntilEveryObjectIsSignalled) {
    const auto first = Event::create(false, false);
    const auto second = Event::create(false, false);
    first->set();
    EXPECT_EQ(waitForMultipleObjects({first, second}, true, 0), WAIT_TIMEOUT);
    EXPECT_EQ(waitForSingleObject(first, 0), WAIT_OBJECT_0);  // still set: the wait-all took nothing

    first->set();
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = waitForMultipleObjects({first, second}, true, kLongWaitMs); });
    ASSERT_TRUE(waitersArrive(*second, 1));
    second->set();
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(first, 0), WAIT_TIMEOUT);
    EXPECT_EQ(waitForSingleObject(second, 0), WAIT_TIMEOUT);
}

TEST(Wait, AllWaitsForAMutexOwnedElsewhere) {
    const auto mutex = Mutex::create(true);
    const auto event = Event::create(true, true);
    DWORD result = WAIT_FAILED;
    bool releasedByWaiter = false;
    std::thread waiter([&] {
        result = waitForMultipleObjects({event, mutex}, true, kLongWaitMs);
        releasedByWaiter = mutex->release();
    });
    ASSERT_TRUE(waitersArrive(*mutex, 1));
    ASSERT_TRUE(mutex->release());
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_TRUE(releasedByWaiter);  // the mutex was the waiter's
}

TEST(Wait, AnAbandonedMutexIsReportedWithItsIndex) {
    const auto mutex = Mutex::create(false);
    std::thread([&] { ASSERT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
    const Handle quiet = Event::create(true, false);
    EXPECT_EQ(waitForMultipleObjects({quiet, mutex}, false, 0), WAIT_ABANDONED_0 + 1);
    EXPECT_TRUE(mutex->release());
}

}  // namespace
}  // namespace zeph::platform
