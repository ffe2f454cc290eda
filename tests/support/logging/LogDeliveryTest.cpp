#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/logging/TLogFilter.h"
#include "support/platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zeph::windows::logging;

// A filtered sink that keeps the batches it receives as they came.
class BatchSink : public LogListener, public TLogFilter<BatchSink> {
public:
    ~BatchSink() override { detach(); }
    void writeBatch(LogBatch entries) override {
        batches.emplace_back();
        for (const LogEntry& entry : entries) {
            if (takes(entry.verbosity())) {
                batches.back().emplace_back(entry.message());
            }
        }
    }
    void write(const LogEntry&) override {}

    std::vector<std::string> messages() const {
        std::vector<std::string> all;
        for (const auto& batch : batches) {
            all.insert(all.end(), batch.begin(), batch.end());
        }
        return all;
    }

    std::vector<std::vector<std::string>> batches;
};

// The beacon belongs to the test's main thread, which delivers the entries.
class LogDelivery : public ::testing::Test {
protected:
    // Wake-ups left by earlier tests of the process go first, so that counts start clean.
    void SetUp() override {
        zeph::platform::pumpMessages();
        beacon.flush();
    }
    void TearDown() override { beacon.flush(); }
    LogBeacon& beacon = LogBeacon::instance();
};

TEST_F(LogDelivery, LevelsNoAttachedSinkTakesAreNeverRendered) {
    const std::uint64_t before = beacon.renderedCount();
    for (int n = 0; n < 100; ++n) {
        LogBeacon::log("Test::unheard", Information, L"nobody listens %d", n);
    }
    EXPECT_EQ(beacon.renderedCount(), before) << "rendered with no sink attached";

    BatchSink sink;
    sink.setFilter(static_cast<std::uint16_t>(Warning.value() | Error.value()));
    ASSERT_EQ(sink.attach(), 0u);
    for (int n = 0; n < 100; ++n) {
        LogBeacon::log("Test::filtered", DebugLevel1, L" ");
        LogBeacon::log("Test::filtered", AppSpecific2, L"%d", n);
    }
    EXPECT_EQ(beacon.renderedCount(), before) << "rendered a level the sink filters out";
    LogBeacon::log("Test::filtered", Warning, L"taken");
    EXPECT_EQ(beacon.renderedCount(), before + 1);

    sink.resetFilter();
    LogBeacon::log("Test::filtered", DebugLevel1, L"taken after the filter opened");
    EXPECT_EQ(beacon.renderedCount(), before + 2) << "the beacon missed the filter change";
    beacon.flush();
    EXPECT_EQ(sink.messages(), (std::vector<std::string>{"taken", "taken after the filter opened"}));

    ASSERT_EQ(sink.detach(), 0u);
    LogBeacon::log("Test::filtered", Warning, L"after the detach");
    EXPECT_EQ(beacon.renderedCount(), before + 2) << "rendered after the last sink detached";
}

TEST_F(LogDelivery, EntriesPostedBetweenPumpsArriveAsOneBatchWithOneWakeUp) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    std::thread worker([] {
        for (int n = 0; n < 100; ++n) {
            LogBeacon::log("Test::batch", Information, L"%d", n);
        }
    });
    worker.join();
    EXPECT_EQ(zeph::platform::pumpMessages(), 1u) << "one wake-up for the whole batch";
    ASSERT_EQ(sink.batches.size(), 1u);
    ASSERT_EQ(sink.batches[0].size(), 100u);
    for (int n = 0; n < 100; ++n) {
        EXPECT_EQ(sink.batches[0][n], std::to_string(n));
    }
}

// Threads that each log "<thread> <n>" for n from 0, a pause apart.
class NumberedLoggers {
public:
    static constexpr int kThreads = 4;

    NumberedLoggers(int entries, std::chrono::milliseconds pause) : entries_(entries) {
        for (int t = 0; t < kThreads; ++t) {
            threads_.emplace_back([this, t, pause] {
                for (int n = 0; n < entries_; ++n) {
                    LogBeacon::log("Test::threads", Information, L"%d %d", t, n);
                    std::this_thread::sleep_for(pause);
                }
                --running_;
            });
        }
    }
    ~NumberedLoggers() { join(); }
    void join() {
        for (std::thread& thread : threads_) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }
    bool running() const { return running_ > 0; }
    std::size_t total() const { return std::size_t{kThreads} * static_cast<std::size_t>(entries_); }

    // Every entry arrived once, each thread's in the order it logged them.
    ::testing::AssertionResult allInOrder(const std::vector<std::string>& messages) const {
        std::vector<int> next(kThreads, 0);
        for (const std::string& message : messages) {
            int t = -1;
            int n = -1;
            if (std::sscanf(message.c_str(), "%d %d", &t, &n) != 2 || t < 0 || t >= kThreads) {
                return ::testing::AssertionFailure() << "not one of ours: " << message;
            }
            if (n != next[static_cast<std::size_t>(t)]++) {
                return ::testing::AssertionFailure() << "thread " << t << " out of order at " << n;
            }
        }
        if (messages.size() != total()) {
            return ::testing::AssertionFailure() << messages.size() << " of " << total() << " delivered";
        }
        return ::testing::AssertionSuccess();
    }

private:
    const int entries_;
    std::atomic<int> running_{kThreads};
    std::vector<std::thread> threads_;
};

TEST_F(LogDelivery, BatchesKeepEveryThreadsOrderAndFlushDeliversEverything) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    NumberedLoggers loggers(2000, std::chrono::milliseconds(0));
    while (loggers.running()) {
        zeph::platform::pumpMessages();  // deliveries while the threads still log
    }
    loggers.join();
    beacon.flush();
    EXPECT_TRUE(loggers.allInOrder(sink.messages()));
}

TEST_F(LogDelivery, PacedDeliveryWakesTheWindowPerIntervalLosesNothingAndWakesWhatWaitsWhenTurnedOff) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    beacon.paceDelivery(std::chrono::milliseconds(50));
    NumberedLoggers loggers(500, std::chrono::milliseconds(1));
    std::size_t wakeUps = 0;
    while (loggers.running() || sink.messages().size() < loggers.total()) {
        wakeUps += zeph::platform::pumpMessages();
        std::this_thread::yield();
    }
    loggers.join();
    EXPECT_TRUE(loggers.allInOrder(sink.messages()));
    // Unpaced, entries a millisecond apart wake the window about once each.
    EXPECT_LT(wakeUps, loggers.total() / 4) << "not paced";

    beacon.paceDelivery(std::chrono::seconds(60));
    LogBeacon::log("Test::paced", Information, L"waiting for its interval");
    beacon.paceDelivery(std::chrono::milliseconds(0));
    EXPECT_EQ(zeph::platform::pumpMessages(), 1u) << "the waiting batch was not woken";
    EXPECT_EQ(sink.messages().back(), "waiting for its interval");
}

TEST_F(LogDelivery, AnEntryIsRenderedOnceAsUtf8) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    LogBeacon::log("Test::utf8", Information, L"Gr\u00fc\u00dfe %s %hs", L"\u20ac", "\xF0\x9F\x98\x80");
    beacon.flush();
    EXPECT_EQ(sink.messages(), std::vector<std::string>{"Gr\xC3\xBC\xC3\x9F"
                                                        "e \xE2\x82\xAC \xF0\x9F\x98\x80"});
}

}  // namespace
