#include "support/platform/Event.h"

#include "support/platform/Wait.h"
#include "tests/support/platform/KernelObjectProbe.h"

#include <poll.h>

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

namespace zeph::platform {
namespace {

using quorvex::test::kLongWaitMs;
using quorvex::test::waitersArrive;

bool readable(int descriptor) {
    pollfd entry{descriptor, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN) != 0;
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
    const auto event = Event::create(true, false);
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
    event->set();
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_OBJECT_0);
    event->reset();
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(waitForSingleObject(Event::create(true, true), 0), WAIT_OBJECT_0);
}

TEST(Event, AutoResetStaysSetUntilOneWaiterTakesIt) {
    const auto event = Event::create(false, false);
    event->set();
    event->set();  // a second set does not count twice
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
}

// The read thread sets the response event and its acknowledgement resets it at once: every
// thread that was waiting must still be released.
TEST(Event, ManualPulseReleasesEveryCurrentWaiter) {
    const auto event = Event::create(true, false);
    std::array<DWORD, 4> results{};
    results.fill(WAIT_FAILED);
    std::vector<std::thread> waiters;
    for (auto& result : results) {
        waiters.emplace_back([&event, &result] { result = waitForSingleObject(event, kLongWaitMs); });
    }
    ASSERT_TRUE(waitersArrive(*event, results.size()));
    event->set();
    event->reset();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    for (const DWORD result : results) {
        EXPECT_EQ(result, WAIT_OBJECT_0);
    }
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Event, AutoResetReleasesExactlyOneOfSeveralWaiters) {
    const auto event = Event::create(false, false);
    std::array<DWORD, 3> results{};
    results.fill(WAIT_FAILED);
    std::vector<std::thread> waiters;
    for (auto& result : results) {
        waiters.emplace_back([&event, &result] { result = waitForSingleObject(event, kLongWaitMs); });
    }
    ASSERT_TRUE(waitersArrive(*event, 3));
    event->set();
    // The set hands the event to one waiter there and then; the others stay blocked.
    EXPECT_EQ(WaitRegistry::waitingOn(*event), 2u);
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
    event->set();
    EXPECT_EQ(WaitRegistry::waitingOn(*event), 1u);
    event->set();
    EXPECT_EQ(WaitRegistry::waitingOn(*event), 0u);
    for (auto& waiter : waiters) {
        waiter.join();
    }
    for (const DWORD result : results) {
        EXPECT_EQ(result, WAIT_OBJECT_0);
    }
    EXPECT_EQ(waitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Event, PollDescriptorIsReadableExactlyWhileSignalled) {
    const auto manual = Event::create(true, true);
    const int fd = manual->pollDescriptor();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(manual->pollDescriptor(), fd);
    EXPECT_TRUE(readable(fd));  // made while already signalled
    manual->reset();
    EXPECT_FALSE(readable(fd));
    manual->set();
    manual->set();
    EXPECT_TRUE(readable(fd));
    EXPECT_EQ(waitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(readable(fd));
    manual->reset();
    EXPECT_FALSE(readable(fd));

    const auto automatic = Event::create(false, false);
    const int autoFd = automatic->pollDescriptor();
    EXPECT_FALSE(readable(autoFd));
    automatic->set();
    EXPECT_TRUE(readable(autoFd));
    EXPECT_EQ(waitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(readable(autoFd));
}

TEST(Event, PollDescriptorStaysQuietWhenASetGoesStraightToAWaiter) {
    const auto event = Event::create(false, false);
    const int fd = event->pollDescriptor();
    std::thread waiter([&] { waitForSingleObject(event, kLongWaitMs); });
    ASSERT_TRUE(waitersArrive(*event, 1));
    event->set();
    waiter.join();
    EXPECT_FALSE(readable(fd));
}

}  // namespace
}  // namespace zeph::platform
