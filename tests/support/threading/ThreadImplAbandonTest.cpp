#include "support/platform/ErrorCodes.h"
#include "support/platform/Thread.h"
#include "tests/support/threading/ProbeWorker.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace quorvex::test {
namespace {

using namespace zeph::platform;

// Lets a stuck worker go on every path of a test, and outlives it: a probe must not die under
// the thread that uses it, even when an assertion ends the test early.
class StuckProbe : public Probe {
public:
    StuckProbe() { ignoresShutdown = true; }
    ~StuckProbe() {
        release->set();
        EXPECT_TRUE(signalledWithin(destroyed));
    }
};

TEST(ThreadImplAbandonment, AStuckWorkerIsAbandonedAndFreedOnlyWhenItsThreadEnds) {
    StuckProbe stuck;
    stuck.runResult = 9;
    {
        Probe fresh;  // outlives the thread object, whose next worker reports to it
        ProbeThread thread;
        ASSERT_EQ(createProbe(thread, stuck, "Stuck"), ERROR_SUCCESS);
        ASSERT_TRUE(signalledWithin(stuck.runBegun));
        const auto handle = thread.getHandle();

        EXPECT_TRUE(thread.shutdown(20));  // the worker ignores the signal
        EXPECT_EQ(stuck.notifies, 1);
        EXPECT_EQ(waitForSingleObject(handle, 0), WAIT_TIMEOUT);  // not killed
        // The object has let go of it and is ready for a new thread with a new worker.
        EXPECT_EQ(thread.getHandle(), nullptr);
        EXPECT_EQ(thread.getThreadId(), 0u);
        EXPECT_EQ(thread.getState(), ThreadState::Stopped);
        EXPECT_EQ(thread.getWorker().calls, 0);

        ASSERT_EQ(createProbe(thread, fresh, "Fresh"), ERROR_SUCCESS);
        ASSERT_TRUE(signalledWithin(fresh.runBegun));
        EXPECT_TRUE(thread.shutdown(kLongWaitMs));
        EXPECT_EQ(fresh.exits, 1);
        EXPECT_EQ(stuck.live, 1);  // the first worker is still in its run
    }
    // Its thread object is gone; the worker still runs on memory that is kept for it.
    EXPECT_EQ(waitForSingleObject(stuck.destroyed, 0), WAIT_TIMEOUT);
    EXPECT_EQ(stuck.exits, 0);
    stuck.release->set();
    ASSERT_TRUE(signalledWithin(stuck.destroyed));
    EXPECT_EQ(stuck.runs, 1);
    EXPECT_EQ(stuck.exits, 1);
}

TEST(ThreadImplAbandonment, DestroyingTheObjectOfARunningThreadStopsItWithoutFreeingItsWorkerEarly) {
    Probe probe;
    auto thread = std::make_unique<ProbeThread>();
    ASSERT_EQ(createProbe(*thread, probe, "Orphan", CREATE_SUSPENDED), ERROR_SUCCESS);
    thread.reset();
    // Resumed and told to stop: run begins, returns, and the worker goes with the thread.
    ASSERT_TRUE(signalledWithin(probe.destroyed));
    EXPECT_EQ(probe.notifies, 1);
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.exits, 1);
}

TEST(ThreadImplConcurrency, CreateAndShutdownFromSeveralThreadsNeverRunTwoThreadsAtOnce) {
    constexpr int kCallers = 4;
    constexpr int kRounds = 40;
    Probe probe;
    ProbeThread thread;
    std::atomic<int> started{0};
    std::atomic<int> refused{0};
    std::atomic<int> unexpected{0};
    std::vector<std::thread> callers;
    for (int caller = 0; caller < kCallers; ++caller) {
        callers.emplace_back([&, caller] {
            for (int round = 0; round < kRounds; ++round) {
                if ((round + caller) % 2 == 0) {
                    const DWORD result = createProbe(thread, probe, "Race");
                    (result == ERROR_SUCCESS               ? started
                     : result == ERROR_ALREADY_INITIALIZED ? refused
                                                           : unexpected)++;
                } else {
                    thread.shutdown(kLongWaitMs);
                    thread.getState();
                    thread.getThreadId();
                }
            }
        });
    }
    for (std::thread& caller : callers) {
        caller.join();
    }
    thread.shutdown(kLongWaitMs);

    EXPECT_EQ(unexpected, 0);
    EXPECT_GT(started, 0);
    EXPECT_EQ(started + refused, kCallers * kRounds / 2);
    EXPECT_EQ(probe.inits, started.load());
    EXPECT_EQ(probe.exits, started.load());
    EXPECT_EQ(probe.maxLive, 1);
    EXPECT_EQ(thread.getState(), ThreadState::Stopped);
    EXPECT_EQ(thread.getHandle(), nullptr);
}

}  // namespace
}  // namespace quorvex::test
