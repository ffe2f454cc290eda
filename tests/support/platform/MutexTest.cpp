#include "support/platform/Mutex.h"

#include "support/platform/Event.h"
#include "support/platform/LastError.h"
#include "support/platform/Thread.h"
#include "support/platform/Wait.h"
#include "tests/support/platform/KernelObjectProbe.h"

#include <gtest/gtest.h>

#include <thread>

namespace zeph::platform {
namespace {

using quorvex::test::kLongWaitMs;
using quorvex::test::waitersArrive;

DWORD probeFromOtherThread(const Handle& object) {
    DWORD result = WAIT_FAILED;
    std::thread([&] {
        result = waitForSingleObject(object, 0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) {
            std::dynamic_pointer_cast<Mutex>(object)->release();
        }
    }).join();
    return result;
}

TEST(Mutex, IsRecursiveAndReleasedOnlyByItsOwner) {
    setLastError(ERROR_INVALID_NAME);
    const auto mutex = Mutex::create(true);
    EXPECT_EQ(getLastError(), ERROR_SUCCESS);
    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(probeFromOtherThread(mutex), WAIT_TIMEOUT);
    bool releasedByOther = true;
    DWORD otherError = ERROR_SUCCESS;
    std::thread([&] {
        releasedByOther = mutex->release();
        otherError = getLastError();
    }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_EQ(otherError, ERROR_NOT_OWNER);
    EXPECT_TRUE(mutex->release());
    EXPECT_TRUE(mutex->release());
    EXPECT_EQ(probeFromOtherThread(mutex), WAIT_TIMEOUT);  // one acquisition still held
    EXPECT_TRUE(mutex->release());
    EXPECT_EQ(probeFromOtherThread(mutex), WAIT_OBJECT_0);

    setLastError(ERROR_SUCCESS);
    EXPECT_FALSE(mutex->release());
    EXPECT_EQ(getLastError(), ERROR_NOT_OWNER);
}

TEST(Mutex, ReleaseWakesAWaitingThreadWhichThenOwnsIt) {
    const auto mutex = Mutex::create(true);
    DWORD result = WAIT_FAILED;
    const auto mayRelease = Event::create(true, false);
    std::thread waiter([&] {
        result = waitForSingleObject(mutex, kLongWaitMs);
        waitForSingleObject(mayRelease, kLongWaitMs);
        mutex->release();
    });
    ASSERT_TRUE(waitersArrive(*mutex, 1));
    ASSERT_TRUE(mutex->release());
    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_TIMEOUT);  // handed over at the release
    mayRelease->set();
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(Mutex, AbandonmentIsReportedOnceThenItIsOwnedNormally) {
    const auto mutex = Mutex::create(false);
    std::thread([&] { ASSERT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();

    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_ABANDONED_0);
    EXPECT_EQ(probeFromOtherThread(mutex), WAIT_TIMEOUT);  // the abandoned wait did take it
    EXPECT_TRUE(mutex->release());
    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(mutex->release());
}

TEST(Mutex, OwnerEndingWakesABlockedWaiterWithAbandoned) {
    const auto mutex = Mutex::create(false);
    const auto taken = Event::create(true, false);
    std::thread owner([&] {
        ASSERT_EQ(waitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        taken->set();
        ASSERT_TRUE(waitersArrive(*mutex, 1));
    });
    ASSERT_EQ(waitForSingleObject(taken, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(mutex, kLongWaitMs), WAIT_ABANDONED_0);
    owner.join();
    EXPECT_TRUE(mutex->release());
}

TEST(Mutex, AThreadHandleIsSignalledOnlyAfterItsMutexesAreAbandoned) {
    const auto mutex = Mutex::create(false);
    const auto thread = Thread::start([&] { return waitForSingleObject(mutex, 0); });
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(thread->exitCode(), WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(mutex, 0), WAIT_ABANDONED_0);
    EXPECT_TRUE(mutex->release());
}

TEST(Mutex, ASameNameGivesTheSameObject) {
    const auto first = Mutex::create(false, L"message queue mutex");
    EXPECT_EQ(getLastError(), ERROR_SUCCESS);
    const auto second = Mutex::create(true, L"message queue mutex");
    EXPECT_EQ(getLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(first, second);
    EXPECT_EQ(probeFromOtherThread(first), WAIT_OBJECT_0);  // initiallyOwned of the second was ignored

    const auto other = Mutex::create(false, L"queue mutex");
    EXPECT_EQ(getLastError(), ERROR_SUCCESS);
    EXPECT_NE(other, first);
    const auto unnamed = Mutex::create(false);
    EXPECT_NE(unnamed, Mutex::create(false));
}

TEST(Mutex, ANameIsFreeAgainOnceItsMutexIsGone) {
    {
        const auto first = Mutex::create(true, L"short-lived mutex");
        ASSERT_NE(first, nullptr);
    }  // dropped while owned: its owner's record must forget it
    const auto again = Mutex::create(false, L"short-lived mutex");
    EXPECT_EQ(getLastError(), ERROR_SUCCESS);
    EXPECT_EQ(waitForSingleObject(again, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(again->release());
}

TEST(Mutex, DroppedWhileOwnedByAThreadThatEndsLater) {
    const auto go = Event::create(true, false);
    const auto thread = Thread::start([&] {
        auto mutex = Mutex::create(true);
        mutex.reset();
        return waitForSingleObject(go, kLongWaitMs);
    });
    ASSERT_NE(thread, nullptr);
    go->set();
    EXPECT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(thread->exitCode(), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace zeph::platform
