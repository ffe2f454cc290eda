#include "support/platform/Thread.h"

#include "support/platform/Event.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "tests/support/platform/KernelObjectProbe.h"

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>

namespace zeph::platform {
namespace {

using quorvex::test::kLongWaitMs;

std::string shownName(ThreadId id) {
    std::ifstream comm("/proc/self/task/" + std::to_string(id) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

TEST(Thread, IsSignalledWithItsExitCodeWhenTheBodyReturns) {
    const auto go = Event::create(true, false);
    std::atomic<ThreadId> bodyId{0};
    const auto thread = Thread::start([&] {
        bodyId = currentThreadId();
        waitForSingleObject(go, kLongWaitMs);
        return DWORD{42};
    });
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(thread->id(), 0u);
    EXPECT_NE(thread->id(), currentThreadId());
    EXPECT_EQ(thread->exitCode(), STILL_ACTIVE);
    EXPECT_EQ(waitForSingleObject(thread, 0), WAIT_TIMEOUT);

    go->set();
    ASSERT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(bodyId.load(), thread->id());
    EXPECT_EQ(thread->exitCode(), 42u);
    EXPECT_EQ(waitForSingleObject(thread, 0), WAIT_OBJECT_0);  // stays signalled
}

TEST(Thread, WhatTheBodyCapturedIsGoneBeforeTheHandleIsSignalled) {
    auto resource = std::make_shared<int>(7);
    std::weak_ptr<int> watch = resource;
    const auto thread = Thread::start([held = std::move(resource)] { return static_cast<DWORD>(*held); });
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(thread->exitCode(), 7u);
}

TEST(Thread, DroppingTheLastHandleOfARunningThreadLetsItRunOn) {
    const auto go = Event::create(true, false);
    const auto done = Event::create(true, false);
    auto counter = std::make_shared<int>(0);
    auto thread = Thread::start([go, done, counter] {
        waitForSingleObject(go, kLongWaitMs);
        ++*counter;
        done->set();
        return DWORD{0};
    });
    ASSERT_NE(thread, nullptr);
    thread.reset();
    go->set();
    ASSERT_EQ(waitForSingleObject(done, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(*counter, 1);
}

TEST(Thread, AWaitOutlivesTheStartersHandle) {
    const auto go = Event::create(true, false);
    auto thread = Thread::start([go] { return waitForSingleObject(go, kLongWaitMs); });
    ASSERT_NE(thread, nullptr);
    DWORD result = WAIT_FAILED;
    const auto waiter = Thread::start([&result, copy = Handle(thread)] {
        result = waitForSingleObject(copy, kLongWaitMs);
        return DWORD{0};
    });
    ASSERT_NE(waiter, nullptr);
    thread.reset();
    go->set();
    ASSERT_EQ(waitForSingleObject(waiter, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(Thread, NameShowsInTheSystemCutTo15Bytes) {
    const auto go = Event::create(true, false);
    const auto thread = Thread::start([go] { return waitForSingleObject(go, kLongWaitMs); });
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(thread->setName("Serial Read"));
    EXPECT_EQ(shownName(thread->id()), "Serial Read");
    EXPECT_TRUE(thread->setName("QuorvexEnumThread-00:11:22:33:44:55"));
    EXPECT_EQ(shownName(thread->id()), "QuorvexEnumThre");
    // A multi-byte character across the limit is left out whole.
    EXPECT_TRUE(thread->setName("Serial Write \xC3\xA9\xC3\xA9"));
    EXPECT_EQ(shownName(thread->id()), "Serial Write \xC3\xA9");
    go->set();
    EXPECT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_TRUE(thread->setName("late"));  // nothing left to name, and no harm
}

TEST(Thread, PriorityIsKeptAndAppliedWhereTheSystemAllows) {
    const auto go = Event::create(true, false);
    const auto thread = Thread::start([go] { return waitForSingleObject(go, kLongWaitMs); });
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(thread->priority(), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(thread->setPriority(THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(thread->priority(), THREAD_PRIORITY_LOWEST);
    // Lowering is always allowed, unless the whole process already runs lower.
    const int processNice = ::getpriority(PRIO_PROCESS, 0);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, thread->id()), std::max(10, processNice));
    // Raising may be refused without privileges; the value asked for is still reported back.
    EXPECT_TRUE(thread->setPriority(THREAD_PRIORITY_TIME_CRITICAL));
    EXPECT_EQ(thread->priority(), THREAD_PRIORITY_TIME_CRITICAL);

    setLastError(ERROR_SUCCESS);
    EXPECT_FALSE(thread->setPriority(7));
    EXPECT_EQ(getLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(thread->priority(), THREAD_PRIORITY_TIME_CRITICAL);
    go->set();
    EXPECT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
}

TEST(Thread, SuspensionIsACounterHonouredAtTheSafePoint) {
    const auto started = Event::create(true, false);
    const auto passed = Event::create(true, false);
    std::shared_ptr<Thread> thread;
    const auto go = Event::create(true, false);
    thread = Thread::start([&] {
        waitForSingleObject(go, kLongWaitMs);
        started->set();
        thread->waitWhileSuspended();
        passed->set();
        return DWORD{0};
    });
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(thread->suspend(), 0);
    EXPECT_EQ(thread->suspend(), 1);
    go->set();
    ASSERT_EQ(waitForSingleObject(started, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(thread->resume(), 2);
    EXPECT_EQ(waitForSingleObject(passed, 50), WAIT_TIMEOUT);  // still suspended once
    EXPECT_EQ(thread->resume(), 1);
    EXPECT_EQ(waitForSingleObject(passed, kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(thread->resume(), 0);  // not suspended: nothing to undo
    EXPECT_EQ(waitForSingleObject(thread, kLongWaitMs), WAIT_OBJECT_0);
}

TEST(Thread, AnEmptyBodyIsRefused) {
    setLastError(ERROR_SUCCESS);
    EXPECT_EQ(Thread::start({}), nullptr);
    EXPECT_EQ(getLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace zeph::platform
