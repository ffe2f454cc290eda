#include "support/platform/ErrorCodes.h"
#include "support/platform/Thread.h"
#include "tests/support/threading/ProbeWorker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace quorvex::test {
namespace {

using namespace zeph::platform;

std::string shownName(DWORD threadId) {
    std::ifstream comm("/proc/self/task/" + std::to_string(threadId) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

TEST(ThreadImplOsThread, TheThreadNameReachesTheOperatingSystem) {
    struct Case {
        const char* given;
        const char* shown;  // the OS keeps 15 bytes
    };
    for (const Case& c :
         {Case{"Serial Write", "Serial Write"}, Case{"Command and Control", "Command and Con"}}) {
        SCOPED_TRACE(c.given);
        Probe probe;
        ProbeThread thread;
        ASSERT_EQ(createProbe(thread, probe, c.given), ERROR_SUCCESS);
        ASSERT_TRUE(signalledWithin(probe.runBegun));
        EXPECT_EQ(shownName(thread.getThreadId()), c.shown);
        EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    }
}

TEST(ThreadImplOsThread, APriorityIsKeptAndReadBackEvenWhereTheOsRefusesToRaiseIt) {
    Probe probe;
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe, "Serial Read", CREATE_SUSPENDED), ERROR_SUCCESS);
    int priority = 99;
    EXPECT_EQ(thread.getPriority(priority), ERROR_SUCCESS);
    EXPECT_EQ(priority, THREAD_PRIORITY_NORMAL);

    for (const int asked : {THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_BELOW_NORMAL}) {
        SCOPED_TRACE(asked);
        EXPECT_EQ(thread.setPriority(asked), 1);  // without privileges the raise is refused quietly
        EXPECT_EQ(thread.getPriority(priority), ERROR_SUCCESS);
        EXPECT_EQ(priority, asked);
    }
    EXPECT_EQ(thread.setPriority(1234), 0);  // not a Windows priority
    EXPECT_EQ(thread.getPriority(priority), ERROR_SUCCESS);
    EXPECT_EQ(priority, THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
}

}  // namespace
}  // namespace quorvex::test
