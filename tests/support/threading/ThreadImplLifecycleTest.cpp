#include "support/platform/ErrorCodes.h"
#include "support/platform/Thread.h"
#include "tests/support/threading/ProbeWorker.h"

#include <gtest/gtest.h>

namespace quorvex::test {
namespace {

using namespace zeph::platform;

void expectNoThread(const IThread& thread) {
    EXPECT_EQ(thread.getHandle(), nullptr);
    EXPECT_EQ(thread.getThreadId(), 0u);
    EXPECT_EQ(thread.getState(), ThreadState::Stopped);
}

TEST(ThreadImplLifecycle, CreateReturnsAfterInitOnTheNewThreadAndShutdownEndsIt) {
    Probe probe;
    probe.runResult = 42;
    ProbeThread thread;
    expectNoThread(thread);

    ASSERT_EQ(createProbe(thread, probe), ERROR_SUCCESS);
    EXPECT_EQ(probe.inits, 1);  // already done when create returned
    EXPECT_NE(thread.getThreadId(), 0u);
    EXPECT_NE(thread.getThreadId(), currentThreadId());
    EXPECT_EQ(probe.initThreadId.load(), thread.getThreadId());
    EXPECT_EQ(probe.owner.load()->getThreadId(), thread.getThreadId());
    const auto handle = thread.getHandle();
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(signalledWithin(probe.runBegun));
    EXPECT_EQ(thread.getState(), ThreadState::Run);

    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(probe.notifies, 1);
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.exits, 1);
    EXPECT_EQ(thread.getExitCode(), 42);
    EXPECT_EQ(handle->exitCode(), 42u);
    expectNoThread(thread);
}

TEST(ThreadImplLifecycle, CreateOnALiveObjectIsRefusedAndLeavesTheThreadAlone) {
    Probe probe;
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe), ERROR_SUCCESS);
    ASSERT_TRUE(signalledWithin(probe.runBegun));
    const auto handle = thread.getHandle();
    const DWORD id = thread.getThreadId();

    Probe second;
    EXPECT_EQ(createProbe(thread, second), ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(second.inits, 0);
    EXPECT_EQ(thread.getHandle(), handle);
    EXPECT_EQ(thread.getThreadId(), id);
    EXPECT_EQ(thread.getState(), ThreadState::Run);
    EXPECT_EQ(waitForSingleObject(handle, 0), WAIT_TIMEOUT);  // still running
    EXPECT_EQ(probe.inits, 1);
    EXPECT_EQ(probe.notifies, 0);

    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(probe.runs, 1);
}

TEST(ThreadImplLifecycle, AFailedInitReturnsTheWorkersLastErrorAndLeavesNoThread) {
    struct Case {
        DWORD lastError;
        DWORD result;
        std::int32_t exitCode;
    };
    for (const Case& c : {Case{0, 0xFFFFFFFF, -1}, Case{ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, 5}}) {
        SCOPED_TRACE(c.lastError);
        Probe probe;
        probe.initSucceeds = false;
        probe.initError = c.lastError;
        ProbeThread thread;

        EXPECT_EQ(createProbe(thread, probe), c.result);
        EXPECT_EQ(thread.getExitCode(), c.exitCode);
        expectNoThread(thread);
        EXPECT_EQ(probe.runs, 0);
        EXPECT_EQ(probe.exits, 1);  // the worker releases what a partial init made
        EXPECT_FALSE(thread.shutdown(kLongWaitMs));
        EXPECT_EQ(probe.notifies, 0);

        // The object is ready for another try.
        probe.initSucceeds = true;
        EXPECT_EQ(createProbe(thread, probe), ERROR_SUCCESS);
        EXPECT_EQ(thread.getExitCode(), 0);
        EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    }
}

TEST(ThreadImplLifecycle, AThreadThatEndsByItselfForgetsItsIdAndKeepsItsExitCode) {
    Probe probe;
    probe.runResult = 7;
    Probe again;  // the worker reports to it from the second create on
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe), ERROR_SUCCESS);
    ASSERT_TRUE(signalledWithin(probe.runBegun));
    const auto handle = thread.getHandle();
    ASSERT_NE(handle, nullptr);

    probe.release->set();
    ASSERT_EQ(waitForSingleObject(handle, kLongWaitMs), WAIT_OBJECT_0);
    expectNoThread(thread);
    EXPECT_EQ(thread.getExitCode(), 7);
    EXPECT_EQ(handle->exitCode(), 7u);
    EXPECT_EQ(probe.exits, 1);

    // Nothing left to stop; the worker is not called.
    EXPECT_FALSE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(probe.notifies, 0);

    // A stopped object starts again, with its exit code back at 0.
    ASSERT_EQ(createProbe(thread, again), ERROR_SUCCESS);
    EXPECT_EQ(thread.getExitCode(), 0);
    ASSERT_TRUE(signalledWithin(again.runBegun));
    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(again.runs, 1);
}

TEST(ThreadImplLifecycle, ShutdownOfANeverCreatedObjectReturnsFalseAndCallsNoWorkerOperation) {
    ProbeThread thread;
    EXPECT_FALSE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(thread.getWorker().calls, 0);
    expectNoThread(thread);
    EXPECT_EQ(thread.getExitCode(), 0);
}

TEST(ThreadImplLifecycle, WithoutAThreadTheHandleOperationsFail) {
    ProbeThread thread;
    int priority = 99;
    EXPECT_EQ(thread.getPriority(priority), ERROR_INVALID_HANDLE);
    EXPECT_EQ(priority, 99);
    EXPECT_EQ(thread.setPriority(THREAD_PRIORITY_HIGHEST), static_cast<int>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(thread.suspend(), -1);
    EXPECT_EQ(thread.resume(), -1);
    thread.setState(ThreadState::Run);  // ignored without a thread
    EXPECT_EQ(thread.getState(), ThreadState::Stopped);
}

TEST(ThreadImplSuspension, ACreatedSuspendedThreadHasRunInitButNotRunUntilFullyResumed) {
    Probe probe;
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe, "Probe", CREATE_SUSPENDED), ERROR_SUCCESS);
    EXPECT_EQ(thread.getState(), ThreadState::Suspended);
    EXPECT_EQ(probe.inits, 1);
    EXPECT_NE(thread.getThreadId(), 0u);

    EXPECT_EQ(thread.suspend(), 1);  // nested
    EXPECT_EQ(thread.getState(), ThreadState::Suspended);
    EXPECT_EQ(thread.resume(), 2);
    EXPECT_EQ(thread.getState(), ThreadState::Suspended);
    EXPECT_EQ(waitForSingleObject(probe.runBegun, 0), WAIT_TIMEOUT);
    EXPECT_EQ(probe.runs, 0);

    EXPECT_EQ(thread.resume(), 1);
    EXPECT_EQ(thread.getState(), ThreadState::Run);
    ASSERT_TRUE(signalledWithin(probe.runBegun));
    EXPECT_EQ(thread.resume(), 0);  // not suspended: no change
    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(probe.runs, 1);
}

TEST(ThreadImplSuspension, ShutdownResumesANestedSuspendedThreadFullyBeforeSignallingIt) {
    Probe probe;
    probe.runResult = 3;
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe, "Probe", CREATE_SUSPENDED), ERROR_SUCCESS);
    EXPECT_EQ(thread.suspend(), 1);
    EXPECT_EQ(thread.suspend(), 2);
    const auto handle = thread.getHandle();

    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_EQ(waitForSingleObject(handle, 0), WAIT_OBJECT_0);
    EXPECT_EQ(probe.notifies, 1);
    EXPECT_EQ(probe.runs, 1);  // run began, saw the shutdown signal and returned
    EXPECT_EQ(probe.exits, 1);
    EXPECT_EQ(thread.getExitCode(), 3);
    expectNoThread(thread);
}

}  // namespace
}  // namespace quorvex::test
