#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/LocalTime.h"
#include "support/platform/MessageQueue.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace zeph::windows::logging;
using quorvex::test::messagesOf;
using quorvex::test::RecordedEntry;
using quorvex::test::RecordingListener;
using zeph::platform::SYSTEMTIME;

auto timeKey(const SYSTEMTIME& t) {
    return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

// The beacon lives for the whole process and belongs to the test's main thread, which pumps it.
// Every test starts and ends with an empty queue and no listener attached.
class LogBeaconTest : public ::testing::Test {
protected:
    void SetUp() override {
        beacon_ = &LogBeacon::instance();
        beacon_->flush();
    }
    void TearDown() override { beacon_->flush(); }

    LogBeacon* beacon_ = nullptr;
    std::vector<RecordedEntry> journal_;  // outlives the listeners declared in the tests
};

// Counts how often the formatter asks for its text, to see whether a message was rendered.
struct RenderSpy {
    int* renders;
    operator const wchar_t*() const {
        ++*renders;
        return L"spy";
    }
};

// Runs in a fresh process, where nothing has created the beacon yet.
int logBeforeInstance() {
    if (LogBeacon::current() != nullptr) {
        std::cerr << "the beacon exists before instance()\n";
        return 1;
    }
    int renders = 0;
    LogBeacon::log("Early::call", Information, L"early %s", RenderSpy{&renders});
    LogBeacon::logSystemError("Early::call", zeph::platform::ERROR_FILE_NOT_FOUND);
    if (renders != 0) {
        std::cerr << "a log call rendered its text before instance()\n";
        return 2;
    }
    std::vector<RecordedEntry> journal;
    RecordingListener listener("listener", journal);
    if (listener.attach() != zeph::platform::ERROR_CONNECTION_REFUSED || LogBeacon::current() != nullptr) {
        std::cerr << "attach without a beacon did not refuse, or created the beacon\n";
        return 3;
    }
    LogBeacon& beacon = LogBeacon::instance();
    if (LogBeacon::current() != &beacon || listener.attach() != 0) {
        std::cerr << "instance() did not publish the beacon\n";
        return 4;
    }
    beacon.flush();
    if (!journal.empty()) {
        std::cerr << "an entry logged before instance() was kept and delivered\n";
        return 5;
    }
    LogBeacon::log("Late::call", Information, L"late");
    beacon.flush();
    if (messagesOf(journal) != std::vector<std::wstring>{L"late"}) {
        std::cerr << "an entry logged after instance() did not arrive\n";
        return 6;
    }
    return 0;
}

TEST(LogBeaconBeforeInstance, LogCallsDoNothingAndKeepNothingForLater) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(logBeforeInstance()), ::testing::ExitedWithCode(0), "");
}

TEST_F(LogBeaconTest, WithoutAListenerNothingIsPosted) {
    LogBeacon::log("LogBeaconTest::noListener", Information, L"dropped [%d].", 1);
    LogBeacon::logSystemError("LogBeaconTest::noListener", zeph::platform::ERROR_FILE_NOT_FOUND);
    // Had the entries been queued, this late listener would receive them now.
    RecordingListener late("late", journal_);
    ASSERT_EQ(late.attach(), 0u);
    beacon_->flush();
    EXPECT_TRUE(journal_.empty());
}

// Entries go out in batches: each batch reaches the listeners in connection order.
TEST_F(LogBeaconTest, EveryListenerReceivesEveryEntryOnceInConnectionOrder) {
    RecordingListener file("file", journal_);
    RecordingListener console("console", journal_);
    ASSERT_EQ(file.attach(), 0u);
    ASSERT_EQ(console.attach(), 0u);

    LogBeacon::log("Owner::first", DebugLevel1, L" ");
    LogBeacon::log("Owner::second", Warning, L"::WaitForMultipleObjects() returned [%d].", 258);
    LogBeacon::log("Owner::third", AppSpecific4, L"%s|%hs", L"wide", "narrow");
    beacon_->flush();

    const std::vector<std::tuple<std::string, const LogVerbosity*, std::wstring, std::wstring>> expected = {
        {"file", &DebugLevel1, L"Owner::first", L" "},
        {"file", &Warning, L"Owner::second", L"::WaitForMultipleObjects() returned [258]."},
        {"file", &AppSpecific4, L"Owner::third", L"wide|narrow"},
        {"console", &DebugLevel1, L"Owner::first", L" "},
        {"console", &Warning, L"Owner::second", L"::WaitForMultipleObjects() returned [258]."},
        {"console", &AppSpecific4, L"Owner::third", L"wide|narrow"},
    };
    std::vector<std::tuple<std::string, const LogVerbosity*, std::wstring, std::wstring>> received;
    for (const RecordedEntry& entry : journal_) {
        received.emplace_back(entry.listener, entry.verbosity, entry.context, entry.message);
    }
    EXPECT_EQ(received, expected);
}

TEST_F(LogBeaconTest, TextIsAlwaysAFormatAndContextIsWidened) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    LogBeacon::log(
        "Ger\xC3\xA4t::\xC3\xB6"
        "ffnen",
        Information, L"100%% done");
    LogBeacon::log(nullptr, Information, L"[%s] [%hs]", L"50%", "%d");
    LogBeacon::log("Owner::null", Information, nullptr);
    beacon_->flush();

    ASSERT_EQ(journal_.size(), 3u);
    EXPECT_EQ(journal_[0].context, L"Ger\u00E4t::\u00F6ffnen");
    EXPECT_EQ(journal_[0].message, L"100% done");
    EXPECT_EQ(journal_[1].context, L"");
    EXPECT_EQ(journal_[1].message, L"[50%] [%d]");
    EXPECT_EQ(journal_[2].message, L"");
}

// Text from outside (a unit's serial number or folder, a port path) cannot forge a line or a
// field of the log: its control characters and '|' are escaped; the format's own stay.
TEST_F(LogBeaconTest, TextArgumentsCannotForgeLinesOrFields) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    const std::string forged = "123\n12/07/2026|00:00:00.000|64|Forged|Unit exploded";
    LogBeacon::log("Owner::narrow", Information, L"Serial : %hs", forged);
    LogBeacon::log("Owner::wide", Information, L"Folder [%s]", L"a\x1B[2J\x07\r\tb\x7F\x85|");
    LogBeacon::log("Owner::utf8", Information, L"[%hs]", "\xC2\x85\xC3\xA4\\");
    LogBeacon::log("Owner::nul", Information, L"[%hs]", std::string("a|\0b", 4));
    LogBeacon::log("Owner::format", Information, L"Failed to open port [COM%d].\n(EV_ERR | EV_TXEMPTY)", 3);
    LogBeacon::log("Owner::plain", Information, L"[%s] [%hs] %d", L"COM3 <USB Serial>", "/dev/ttyUSB0", 7);
    beacon_->flush();

    ASSERT_EQ(
        messagesOf(journal_),
        (std::vector<std::wstring>{
            L"Serial : 123\\x0A12/07/2026\\x7C00:00:00.000\\x7C64\\x7CForged\\x7CUnit exploded",
            L"Folder [a\\x1B[2J\\x07\\x0D\\x09b\\x7F\\x85\\x7C]", L"[\\x85\u00E4\\]", L"[a\\x7C]",
            L"Failed to open port [COM3].\n(EV_ERR | EV_TXEMPTY)", L"[COM3 <USB Serial>] [/dev/ttyUSB0] 7"}));
}

TEST_F(LogBeaconTest, EntriesAreDeliveredAsTheRegisteredLevelOfTheirValue) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    const LogVerbosity lateWarning(Warning.value(), L"Another Warning");
    LogBeacon::log("Owner::duplicate", lateWarning, L"as Warning");
    {
        const LogVerbosity temporary(0x2000, L"Temporary");
        LogBeacon::log("Owner::temporary", temporary, L"level still registered");
        beacon_->flush();
        ASSERT_EQ(journal_.size(), 2u);
        EXPECT_EQ(journal_[1].verbosity, &temporary);
        LogBeacon::log("Owner::temporary", temporary, L"level gone before delivery");
    }
    LogBeacon::log("Owner::after", Information, L"after");
    beacon_->flush();

    ASSERT_EQ(messagesOf(journal_),
              (std::vector<std::wstring>{L"as Warning", L"level still registered", L"after"}));
    EXPECT_EQ(journal_[0].verbosity, &Warning);
}

TEST_F(LogBeaconTest, SystemErrorIsLoggedWithoutItsLineBreak) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    const zeph::platform::DWORD fileNotFound = zeph::platform::ERROR_FILE_NOT_FOUND;
    LogBeacon::logSystemError("Serial::open", fileNotFound);
    const zeph::platform::DWORD noText = 0x2000ABCD;
    LogBeacon::logSystemError("Serial::open", noText);
    LogBeacon::log("Serial::open", Information, L"sentinel");
    beacon_->flush();

    ASSERT_EQ(journal_.size(), 2u);
    EXPECT_EQ(journal_[0].verbosity, &Error);
    EXPECT_EQ(journal_[0].context, L"Serial::open");
    EXPECT_EQ(journal_[0].message, L"The system cannot find the file specified.");
    EXPECT_EQ(journal_[1].message, L"sentinel");
}

TEST_F(LogBeaconTest, AnEntryCarriesTheTimeOfItsCallNotOfItsDelivery) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    SYSTEMTIME beforeCall;
    SYSTEMTIME afterCall;
    std::thread worker([&] {
        beforeCall = zeph::platform::getLocalTime();
        LogBeacon::log("Worker::run", DebugLevel4, L"stamped");
        afterCall = zeph::platform::getLocalTime();
        // Let the clock move past the call before the entry can be delivered.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (timeKey(zeph::platform::getLocalTime()) <= timeKey(afterCall) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    worker.join();
    const SYSTEMTIME beforeDelivery = zeph::platform::getLocalTime();
    ASSERT_GT(timeKey(beforeDelivery), timeKey(afterCall));
    beacon_->flush();

    ASSERT_EQ(journal_.size(), 1u);
    EXPECT_GE(timeKey(journal_[0].time), timeKey(beforeCall));
    EXPECT_LE(timeKey(journal_[0].time), timeKey(afterCall));
}

TEST_F(LogBeaconTest, EntriesOfManyThreadsArriveOnceEachInEachThreadsOrder) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    constexpr int kThreads = 6;
    constexpr int kEntries = 300;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < kEntries; ++i) {
                LogBeacon::log("Worker::run", DebugLevel2, L"%d %d", t, i);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    beacon_->flush();

    ASSERT_EQ(journal_.size(), static_cast<std::size_t>(kThreads * kEntries));
    std::map<int, int> next;
    for (const RecordedEntry& entry : journal_) {
        int thread = -1;
        int index = -1;
        ASSERT_EQ(swscanf(entry.message.c_str(), L"%d %d", &thread, &index), 2);
        EXPECT_EQ(index, next[thread]++) << "thread " << thread;
    }
    EXPECT_EQ(next.size(), static_cast<std::size_t>(kThreads));
}

TEST_F(LogBeaconTest, FlushDeliversWhatWasPostedSinceTheLastPump) {
    RecordingListener listener("listener", journal_);
    ASSERT_EQ(listener.attach(), 0u);

    LogBeacon::log("App::run", Information, L"pumped");
    zeph::platform::pumpMessages();
    LogBeacon::log("App::exit", Information, L"after the last pump");
    std::thread worker([] { LogBeacon::log("Worker::exit", Information, L"from a worker"); });
    worker.join();
    // Only the window's own thread can deliver; a flush elsewhere leaves the entries queued.
    std::thread stranger([this] { beacon_->flush(); });
    stranger.join();
    EXPECT_EQ(messagesOf(journal_), std::vector<std::wstring>{L"pumped"});

    beacon_->flush();
    EXPECT_EQ(messagesOf(journal_),
              (std::vector<std::wstring>{L"pumped", L"after the last pump", L"from a worker"}));
}

// A sink that logs while its entry is delivered, as a sink tracing its own work would.
class EchoListener : public LogListener {
public:
    ~EchoListener() override { detach(); }
    void write(const LogEntry&) override {
        ++writes;
        LogBeacon::log("EchoListener::write", DebugLevel1, L" ");
    }
    int writes = 0;
};

TEST_F(LogBeaconTest, FlushReturnsWhenListenersLogWhileBeingDelivered) {
    EchoListener echo;
    ASSERT_EQ(echo.attach(), 0u);
    LogBeacon::log("App::exit", Information, L"last words");
    beacon_->flush();
    EXPECT_EQ(echo.writes, 1);
    beacon_->flush();  // delivers the entry the first delivery logged
    EXPECT_EQ(echo.writes, 2);
    EXPECT_EQ(echo.detach(), 0u);
}

TEST_F(LogBeaconTest, AttachAndDetachReportTheirState) {
    RecordingListener listener("listener", journal_);
    EXPECT_EQ(listener.detach(), zeph::platform::ERROR_NOT_CONNECTED);
    EXPECT_EQ(listener.attach(), 0u);
    EXPECT_EQ(listener.attach(), zeph::platform::ERROR_ALREADY_INITIALIZED);
    LogBeacon::log("Owner::once", Information, L"once");
    beacon_->flush();
    EXPECT_EQ(messagesOf(journal_), std::vector<std::wstring>{L"once"});

    EXPECT_EQ(listener.detach(), 0u);
    EXPECT_EQ(listener.detach(), zeph::platform::ERROR_NOT_CONNECTED);
    EXPECT_EQ(listener.attach(), 0u);
}

TEST_F(LogBeaconTest, DetachStopsDeliveryOfEntriesPostedBeforeIt) {
    RecordingListener leaving("leaving", journal_);
    RecordingListener staying("staying", journal_);
    ASSERT_EQ(leaving.attach(), 0u);
    ASSERT_EQ(staying.attach(), 0u);

    LogBeacon::log("Owner::posted", Information, L"posted while attached");
    ASSERT_EQ(leaving.detach(), 0u);
    beacon_->flush();
    ASSERT_EQ(journal_.size(), 1u);
    EXPECT_EQ(journal_[0].listener, "staying");

    // A destroyed listener is detached by its destructor.
    {
        RecordingListener shortLived("shortLived", journal_);
        ASSERT_EQ(shortLived.attach(), 0u);
        LogBeacon::log("Owner::posted", Information, L"posted before destruction");
    }
    beacon_->flush();
    ASSERT_EQ(journal_.size(), 2u);
    EXPECT_EQ(journal_[1].listener, "staying");
}

}  // namespace
