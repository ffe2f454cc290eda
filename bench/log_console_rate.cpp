// What the debug console costs the window thread: entries logged, delivered by the beacon and
// shown in the console window "Log" (offscreen), in batches of the size its append timer sees at
// a given entry rate. The window is kept full, so every batch also scrolls the oldest lines away.
#include "support/logconsole/LogConsoleListener.h"
#include "support/logconsole/LogConsoleWindow.h"
#include "support/logging/LogBeacon.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

using namespace zeph::windows::logging;

// One batch: the entries of one append interval at the rate given as the benchmark's argument
// (entries a second), at the levels a streaming stack logs most.
void BM_ConsoleBatch(benchmark::State& state) {
    LogBeacon& beacon = LogBeacon::instance();
    LogConsoleListener console;
    if (!console.open()) {
        state.SkipWithError("the console could not open");
        return;
    }
    const auto batch = state.range(0) * LogConsoleWindow::kAppendIntervalMs / 1000;
    const LogVerbosity* levels[] = {&DebugLevel1, &DebugLevel2, &DebugLevel3, &DebugLevel4};
    int entry = 0;
    for (int i = 0; i < LogConsoleWindow::kMaxLines; ++i, ++entry) {
        LogBeacon::log("Bench::fill", DebugLevel4, L"::WaitForMultipleObjects() returned [%d].", entry);
    }
    beacon.flush();
    console.window()->appendPending();
    for (auto _ : state) {
        for (std::int64_t i = 0; i < batch; ++i, ++entry) {
            LogBeacon::log("QuorvexSupervisor::onRead", *levels[entry % 4],
                           L"::WaitForMultipleObjects() returned [%d].", entry);
        }
        beacon.flush();
        console.window()->appendPending();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.counters["lines_shown"] = static_cast<double>(console.window()->document()->blockCount());
}
BENCHMARK(BM_ConsoleBatch)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
