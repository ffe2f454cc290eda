// The debug console open while a simulated unit streams at the line's limit (150 frames a second,
// every level of the log shown): the window thread keeps taking every message posted to it, and
// the program's memory stays flat: resident memory grows by less than kGrowthBoundKiB between the
// end of the first quarter of the run and its end (measured under 1 MiB; a console that kept every
// line would grow by about 1 MiB a second at this rate). QUORVEX_STREAM_SECONDS changes the run's
// length (60 s).
#include "bench/WindowThreadProbe.h"
#include "support/logging/LogListener.h"
#include "tests/console/DebugToolsFixture.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>

namespace {

using namespace quorvex::console;
using namespace zeph::windows::logging;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer holds on to memory by design (the address sanitizer's quarantine, the thread
// sanitizer's history): memory is not judged.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
constexpr long kGrowthBoundKiB = 16 * 1024;

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

    const int seconds = runSeconds();
    quorvex::bench::WindowThreadProbe probe;
    runFor(std::chrono::milliseconds(seconds * 250));
    const long settledKiB = residentKiB();
    const long settledTraces = traces.count;
    long peakKiB = settledKiB;
    for (int quarter = 1; quarter < 4; ++quarter) {
        runFor(std::chrono::milliseconds(seconds * 250));
        peakKiB = std::max(peakKiB, residentKiB());
    }
    probe.stopPosting();
    runFor(std::chrono::milliseconds(500));

    // How late the window thread answered is measured by bench_console_streaming, not judged here.
    std::cout << "probes " << probe.answered << "/" << probe.posted.load() << ", worst "
              << probe.worstNs / 1000000 << " ms; resident " << settledKiB << " KiB after the first quarter, peak "
              << peakKiB << " KiB; entries " << traces.all / seconds << "/s, of them level-4 traces "
              << traces.count / seconds << "/s\n";
    EXPECT_GT(traces.count, settledTraces) << "the unit stopped streaming";
    EXPECT_TRUE(answers_.boxes.empty()) << answers_.boxes.front().text.toStdString();
    EXPECT_EQ(probe.answered, probe.posted.load()) << "the window thread lost or never took messages";
    if (!kSanitized) {
        EXPECT_LT(peakKiB - settledKiB, kGrowthBoundKiB);
    }
}

}  // namespace
