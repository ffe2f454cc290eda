#include "support/logfile/LogFileListener.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/Mutex.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Wait.h"
#include "tests/support/logfile/LogFileTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace quorvex::test {
namespace {

using namespace zeph::windows::logging;
namespace platform = zeph::platform;

constexpr platform::UINT kHalfway = platform::WM_APP + 1;

class LogFileQueued : public LogFileTest {
protected:
    void openQueued(const std::string& baseName) {
        ASSERT_EQ(listener_.open(platform::widen(folder_.path().string()), platform::widen(baseName)), 0u);
        ASSERT_EQ(listener_.attach(), 0u);
        ASSERT_TRUE(listener_.startBackgroundWriter());
    }

    // The messages of the test's lines in file order, from the lines whose context is "Test::*".
    static std::vector<std::string> testMessages(const std::vector<std::string>& lines) {
        std::vector<std::string> messages;
        for (const std::string& line : lines) {
            const std::string fields = afterTime(line);
            const std::size_t context = fields.find('|');
            if (fields.compare(context + 1, 6, "Test::") == 0) {
                messages.push_back(fields.substr(fields.find('|', context + 1) + 1));
            }
        }
        return messages;
    }

    LogFileListener listener_;
};

// Whether the file holds the line within a generous bound: the writer writes on its own time.
bool eventuallyContains(const std::filesystem::path& path, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (readBytes(path).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST_F(LogFileQueued, TheWriterThreadWritesQueuedLinesOnItsOwn) {
    openQueued("writer");
    LogBeacon::log("Test::queued", Warning, L"written by the writer");
    LogBeacon::instance().flush();
    EXPECT_TRUE(eventuallyContains(logPath("writer"), "|32|Test::queued|written by the writer\n"));
}

TEST_F(LogFileQueued, TheWriterIsTheNamedBackgroundLogWriterOnTheSharedQueueMutex) {
    openQueued("named");
    const auto mutex = platform::Mutex::create(false, L"message queue mutex");
    EXPECT_EQ(platform::getLastError(), platform::ERROR_ALREADY_EXISTS)
        << "the writer did not create the shared \"message queue mutex\"";

    bool found = false;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        found = found || readBytes(task.path() / "comm") == "Background Log \n";
    }
    EXPECT_TRUE(found) << "no thread is named \"Background Log Writer\" (cut to 15 bytes)";
}

TEST_F(LogFileQueued, LinesQueuedWhileTheMutexIsHeldElsewhereAreWrittenByStop) {
    openQueued("held");
    // The window thread holds the shared mutex, as the serial write queue would: the writer must
    // wait for it, and stop must still get every line out.
    const auto mutex = platform::Mutex::create(false, L"message queue mutex");
    ASSERT_EQ(platform::waitForSingleObject(mutex, 0), platform::WAIT_OBJECT_0);
    for (int i = 0; i < 500; ++i) {
        LogBeacon::log("Test::held", Information, L"line %d", i);
    }
    LogBeacon::instance().flush();
    EXPECT_EQ(readBytes(logPath("held")).find("Test::held"), std::string::npos)
        << "the writer wrote without the \"message queue mutex\"";

    listener_.stopBackgroundWriter();
    const auto messages = testMessages(readLines(logPath("held")));
    ASSERT_EQ(messages.size(), 500u);
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(messages[static_cast<std::size_t>(i)], "line " + std::to_string(i));
    }
    EXPECT_TRUE(mutex->release());
}

// A writer that cannot write (here: the shared mutex is held, as a stalled disk would hold it)
// must not take the program's memory: past the cap runs are refused, counted as lost, and a line
// says how many once the writer gets going again.
TEST_F(LogFileQueued, LinesBeyondTheQueueCapAreRefusedCountedAsLostAndReported) {
    openQueued("capped");
    const auto mutex = platform::Mutex::create(false, L"message queue mutex");
    ASSERT_EQ(platform::waitForSingleObject(mutex, 0), platform::WAIT_OBJECT_0);
    const std::wstring filler(1000, L'x');
    constexpr int kLines = 20000;  // about 20 MB against the 16 MiB cap
    for (int i = 0; i < kLines; ++i) {
        LogBeacon::log("Test::capped", Information, L"%d %s", i, filler.c_str());
        if (i % 1000 == 999) {
            LogBeacon::instance().flush();
        }
    }
    LogBeacon::instance().flush();
    const std::uint64_t lost = listener_.status().linesLost;
    EXPECT_GT(lost, 0u);
    EXPECT_LT(lost, static_cast<std::uint64_t>(kLines));
    EXPECT_TRUE(mutex->release());

    listener_.stopBackgroundWriter();
    const auto lines = readLines(logPath("capped"));
    EXPECT_EQ(testMessages(lines).size() + lost, static_cast<std::size_t>(kLines));
    const std::string report = std::to_string(lost) + " log lines were dropped: the log writer fell behind.";
    EXPECT_NE(readBytes(logPath("capped")).find(report), std::string::npos) << report;
}

TEST_F(LogFileQueued, NoLineIsLostOrReorderedWhenFourThreadsLogAndTheListenerClosesRightAfter) {
    openQueued("busy");
    constexpr int kThreads = 4;
    constexpr int kPerThread = 25000;
    const platform::ThreadId windowThread = platform::currentThreadId();
    std::vector<std::thread> loggers;
    for (int t = 0; t < kThreads; ++t) {
        loggers.emplace_back([t, windowThread] {
            for (int n = 0; n < kPerThread; ++n) {
                LogBeacon::log("Test::busy", Information, L"t%d n%d", t, n);
                if (n == kPerThread / 2) {
                    platform::postThreadMessage(windowThread, kHalfway, 0, 0);
                }
            }
        });
    }
    // Deliver while the threads log, the writer writing behind; then stop delivering, so that
    // close finds half of every thread's entries still posted to the window thread.
    for (int halfway = 0; halfway < kThreads;) {
        platform::MSG msg;
        ASSERT_GT(platform::getMessage(msg, nullptr, 0, 0), 0);
        halfway += msg.message == kHalfway ? 1 : 0;
        platform::dispatchMessage(msg);
    }
    for (std::thread& logger : loggers) {
        logger.join();
    }
    listener_.close();

    const auto lines = readLines(logPath("busy"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Date|Time|Verbosity|Context|Message");
    EXPECT_EQ(afterTime(lines[1]), "16|zeph::windows::logging::LogFileListener::open|Log file opened");
    EXPECT_EQ(afterTime(lines.back()), "16|zeph::windows::logging::LogFileListener::close|Log file closed");
    std::vector<int> next(kThreads, 0);
    for (const std::string& message : testMessages(lines)) {
        int t = -1;
        int n = -1;
        ASSERT_EQ(std::sscanf(message.c_str(), "t%d n%d", &t, &n), 2) << message;
        ASSERT_TRUE(t >= 0 && t < kThreads) << message;
        ASSERT_EQ(n, next[static_cast<std::size_t>(t)]) << "thread " << t << " lost or reordered a line";
        ++next[static_cast<std::size_t>(t)];
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kPerThread));
}

TEST_F(LogFileQueued, AListenerDestroyedInQueuedModeWritesEverythingAndEndsItsFile) {
    {
        LogFileListener listener;
        ASSERT_EQ(listener.open(platform::widen(folder_.path().string()), L"destroyed"), 0u);
        ASSERT_EQ(listener.attach(), 0u);
        ASSERT_TRUE(listener.startBackgroundWriter());
        for (int i = 0; i < 1000; ++i) {
            LogBeacon::log("Test::destroyed", Information, L"line %d", i);
        }
        LogBeacon::instance().flush();
    }
    const auto lines = readLines(logPath("destroyed"));
    EXPECT_EQ(testMessages(lines).size(), 1000u);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(afterTime(lines.back()), "16|zeph::windows::logging::LogFileListener::close|Log file closed");
}

TEST_F(LogFileQueued, StartingAgainAfterAStopQueuesAgain) {
    openQueued("restart");
    listener_.stopBackgroundWriter();
    LogBeacon::log("Test::direct", Information, L"between");
    LogBeacon::instance().flush();
    EXPECT_NE(readBytes(logPath("restart")).find("Test::direct|between"), std::string::npos)
        << "after a stop, lines are written directly";
    ASSERT_TRUE(listener_.startBackgroundWriter());
    LogBeacon::log("Test::queued", Information, L"after restart");
    LogBeacon::instance().flush();
    EXPECT_TRUE(eventuallyContains(logPath("restart"), "Test::queued|after restart\n"));
}

}  // namespace
}  // namespace quorvex::test
