// The debug console open while a simulated unit streams at the line's limit (150 frames a second,
// every level of the log shown): the window thread keeps handling what is posted to it, and the
// program's memory stays flat. Bounds: every probe handled within kProbeBoundMs (a frozen window
// takes seconds; measured about 110 ms on a machine loaded 7 times over its cores, with or without
// the console), and resident memory growing by less than kGrowthBoundKiB between the end of the
// first quarter of the run and its end (measured under 1 MiB; a console that kept every line would
// grow by about 1 MiB a second at this rate). QUORVEX_STREAM_SECONDS changes the run's length
// (60 s).
#include "support/logging/LogListener.h"
#include "support/platform/MessageWindow.h"
#include "tests/console/DebugToolsFixture.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

using namespace quorvex::console;
using namespace zeph::windows::logging;
namespace platform = zeph::platform;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer slows every thread several times and holds on to memory by design (the address
// sanitizer's quarantine, the thread sanitizer's history): the bound is wider (855 ms were seen
// under the thread sanitizer) and memory is not judged.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
constexpr std::int64_t kProbeBoundMs = kSanitized ? 4000 : 1000;
constexpr long kGrowthBoundKiB = 16 * 1024;
constexpr auto kProbeEvery = std::chrono::milliseconds(100);
constexpr platform::UINT kProbe = platform::WM_APP + 17;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

long residentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) : 0;
}

int runSeconds() {
    const char* seconds = std::getenv("QUORVEX_STREAM_SECONDS");
    return seconds != nullptr ? std::max(4, std::atoi(seconds)) : 60;
}

// Counts the stream's raw traces as they reach the window thread.
class LevelFourCounter : public LogListener {
public:
    ~LevelFourCounter() override { detach(); }
    void write(const LogEntry& entry) override {
        count += entry.verbosity().value() == DebugLevel4.value() ? 1 : 0;
        ++all;
    }
    long count = 0;
    long all = 0;
};

// Posts a stamped message to a window of the test's main thread every 100 ms.
class Prober {
public:
    explicit Prober(platform::HWND window)
        : thread_([this, window] {
              while (!stop_.load()) {
                  if (platform::postMessage(window, kProbe, 0, nowNs())) {
                      posted.fetch_add(1);
                  }
                  std::this_thread::sleep_for(kProbeEvery);
              }
          }) {}
    ~Prober() { stopPosting(); }
    void stopPosting() {
        stop_.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::atomic<long> posted{0};

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class ConsoleUnderStream : public quorvex::test::DebugToolsTest {
protected:
    // Runs the window thread's event loop for the time given.
    static void runFor(std::chrono::milliseconds time) {
        QEventLoop loop;
        QTimer::singleShot(time, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

TEST_F(ConsoleUnderStream, WindowThreadAnswersAndMemoryStaysFlatForAMinuteAtTheLinesLimit) {
    start({"-debug", "--simulate", "--rate", "150"});
    trigger(ID_VIEW_CONSOLE);
    ASSERT_TRUE(checked(ID_VIEW_CONSOLE));

    LevelFourCounter traces;
    ASSERT_EQ(traces.attach(), 0u);
    std::int64_t worstNs = 0;
    long handled = 0;
    const platform::HWND probeWindow =
        platform::createMessageWindow([&](platform::HWND, platform::UINT message, platform::WPARAM,
                                          platform::LPARAM stamp) -> platform::LRESULT {
            if (message == kProbe) {
                worstNs = std::max(worstNs, nowNs() - stamp);
                ++handled;
            }
            return 0;
        });

    const int seconds = runSeconds();
    Prober prober(probeWindow);
    runFor(std::chrono::milliseconds(seconds * 250));
    const long settledKiB = residentKiB();
    const long settledTraces = traces.count;
    long peakKiB = settledKiB;
    for (int quarter = 1; quarter < 4; ++quarter) {
        runFor(std::chrono::milliseconds(seconds * 250));
        peakKiB = std::max(peakKiB, residentKiB());
    }
    prober.stopPosting();
    runFor(std::chrono::milliseconds(500));
    platform::destroyWindow(probeWindow);

    std::cout << "probes " << handled << "/" << prober.posted.load() << ", worst " << worstNs / 1000000
              << " ms; resident " << settledKiB << " KiB after the first quarter, peak " << peakKiB
              << " KiB; entries " << traces.all / seconds << "/s, of them level-4 traces "
              << traces.count / seconds << "/s\n";
    EXPECT_GE(traces.count - settledTraces, 150L * seconds * 3 / 4) << "the unit did not stream";
    EXPECT_TRUE(answers_.boxes.empty()) << answers_.boxes.front().text.toStdString();
    EXPECT_EQ(handled, prober.posted.load());
    EXPECT_LT(worstNs / 1000000, kProbeBoundMs);
    if (!kSanitized) {
        EXPECT_LT(peakKiB - settledKiB, kGrowthBoundKiB);
    }
}

}  // namespace
