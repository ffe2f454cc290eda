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

TEST_F(LogDelivery, BatchesKeepEveryThreadsOrderAndFlushDeliversEverything) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    constexpr int kThreads = 4;
    constexpr int kEntries = 2000;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &running] {
            for (int n = 0; n < kEntries; ++n) {
                LogBeacon::log("Test::threads", Information, L"%d %d", t, n);
            }
            --running;
        });
    }
    while (running > 0) {
        zeph::platform::pumpMessages();  // deliveries while the threads still log
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    beacon.flush();

    std::vector<int> next(kThreads, 0);
    std::size_t delivered = 0;
    for (const std::string& message : sink.messages()) {
        int t = -1;
        int n = -1;
        ASSERT_EQ(std::sscanf(message.c_str(), "%d %d", &t, &n), 2) << message;
        ASSERT_EQ(n, next.at(t)) << "thread " << t << " out of order";
        ++next[t];
        ++delivered;
    }
    EXPECT_EQ(delivered, std::size_t{kThreads * kEntries});
}

TEST_F(LogDelivery, PacedDeliveryWakesTheWindowPerIntervalLosesNothingAndWakesWhatWaitsWhenTurnedOff) {
    BatchSink sink;
    ASSERT_EQ(sink.attach(), 0u);
    beacon.paceDelivery(std::chrono::milliseconds(50));
    constexpr int kThreads = 4;
    constexpr int kEntries = 500;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &running] {
            for (int n = 0; n < kEntries; ++n) {
                LogBeacon::log("Test::paced", Information, L"%d %d", t, n);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            --running;
        });
    }
    std::size_t wakeUps = 0;
    while (running > 0 || sink.messages().size() < std::size_t{kThreads * kEntries}) {
        wakeUps += zeph::platform::pumpMessages();
        std::this_thread::yield();
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<int> next(kThreads, 0);
    for (const std::string& message : sink.messages()) {
        int t = -1;
        int n = -1;
        ASSERT_EQ(std::sscanf(message.c_str(), "%d %d", &t, &n), 2) << message;
        ASSERT_EQ(n, next.at(t)) << "thread " << t << " out of order";
        ++next[t];
    }
    // Unpaced, entries a millisecond apart wake the window about once each.
    EXPECT_LT(wakeUps, std::size_t{kThreads * kEntries / 4}) << "not paced";

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
