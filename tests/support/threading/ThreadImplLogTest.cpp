#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Format.h"
#include "tests/support/logging/RecordingListener.h"
#include "tests/support/threading/ProbeWorker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvex::test {
namespace {

using namespace zeph::platform;
using namespace zeph::windows::logging;

const std::wstring kCreate =
    L"::zeph::windows::system::threading::ThreadImpl<class quorvex::test::ProbeWorker>::create";
const std::wstring kShutdown =
    L"::zeph::windows::system::threading::ThreadImpl<class quorvex::test::ProbeWorker>::shutdown";
const std::wstring kEntry = L"zeph::windows::system::threading::ThreadEntry";

struct Line {
    std::wstring context;
    const LogVerbosity* verbosity;
    std::wstring message;
};

// The beacon belongs to the test's main thread, which delivers what the threads posted.
class ThreadImplLog : public ::testing::Test {
protected:
    void SetUp() override {
        LogBeacon::instance().flush();
        ASSERT_EQ(listener_.attach(), ERROR_SUCCESS);
    }

    // Whether the lines appear in this order among everything delivered so far.
    ::testing::AssertionResult delivered(const std::vector<Line>& lines) {
        LogBeacon::instance().flush();
        auto next = lines.begin();
        for (const RecordedEntry& entry : journal_) {
            if (next != lines.end() && entry.context == next->context && entry.verbosity == next->verbosity &&
                entry.message == next->message) {
                ++next;
            }
        }
        if (next == lines.end()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "missing: " << ::testing::PrintToString(next->context) << " "
                                             << ::testing::PrintToString(next->message);
    }

    std::vector<RecordedEntry> journal_;
    RecordingListener listener_{"test", journal_};
};

TEST_F(ThreadImplLog, CreateLogsItsEntryTheWaitAndTheStartedThread) {
    Probe probe;
    ProbeThread thread;
    ASSERT_EQ(createProbe(thread, probe, "Log Probe"), ERROR_SUCCESS);
    const std::wstring create = L"ThreadImpl<Log Probe>" + kCreate;
    const std::wstring started =
        formatMessage(L"Successfully started the thread [0x%X].", thread.getThreadId());
    EXPECT_TRUE(delivered({{create, &DebugLevel1, L" "},
                           {kEntry, &DebugLevel1, L" "},
                           {create, &DebugLevel4, L"::WaitForMultipleObjects() returned [0]."},
                           {create, &DebugLevel4, started}}));

    EXPECT_TRUE(thread.shutdown(kLongWaitMs));
    EXPECT_TRUE(delivered({{L"ThreadImpl<Log Probe>" + kShutdown, &DebugLevel1, L" "}}));
}

TEST_F(ThreadImplLog, AFailedInitIsLoggedUnderTheDefaultName) {
    Probe probe;
    probe.initSucceeds = false;
    ProbeThread thread;
    EXPECT_EQ(createProbe(thread, probe, nullptr), 0xFFFFFFFF);
    const std::wstring create = L"ThreadImpl<T>" + kCreate;
    EXPECT_TRUE(delivered({{create, &DebugLevel1, L" "},
                           {kEntry, &DebugLevel1, L" "},
                           {create, &DebugLevel4, L"::WaitForMultipleObjects() returned [1]."},
                           {create, &Error, L"Error encountered during thread class initialization"}}));
}

TEST_F(ThreadImplLog, AnAbandonedThreadIsLoggedAsATimedOutWait) {
    Probe probe;
    probe.ignoresShutdown = true;
    {
        ProbeThread thread;
        ASSERT_EQ(createProbe(thread, probe, "Stuck"), ERROR_SUCCESS);
        const DWORD id = thread.getThreadId();
        EXPECT_TRUE(thread.shutdown(20));
        const std::wstring shutdown = L"ThreadImpl<Stuck>" + kShutdown;
        EXPECT_TRUE(delivered(
            {{shutdown, &DebugLevel1, L" "},
             {shutdown, &Error, L"::WaitForSingleObject failed (WAIT_TIMEOUT)."},
             {shutdown, &Warning,
              formatMessage(L"Abandoned the thread [0x%X]; it keeps its worker until it ends.", id)}}));
    }
    probe.release->set();
    EXPECT_TRUE(signalledWithin(probe.destroyed));
}

}  // namespace
}  // namespace quorvex::test
