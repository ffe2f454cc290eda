// The cost of one LogBeacon::log call on the calling thread: render, time-stamp, one heap record
// and one posted message. Delivery to the listeners is not measured: the queue is drained with
// the timer paused, so it never grows without bound.
#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/logging/TLogFilter.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zeph::windows::logging;

constexpr int kDrainEvery = 1024;

class NullListener : public LogListener, public TLogFilter<NullListener> {
public:
    ~NullListener() override { detach(); }
    void write(const LogEntry& entry) override { benchmark::DoNotOptimize(entry.message().data()); }
};

// Runs the log call in a loop, with or without one listener attached (taking the levels of mask).
template <typename LogCall>
void measureLogCall(benchmark::State& state, bool withListener, LogCall logCall,
                    std::uint16_t mask = 0xFFFF) {
    LogBeacon& beacon = LogBeacon::instance();  // the benchmark's thread owns and drains it
    NullListener listener;
    listener.setFilter(mask);
    if (withListener && listener.attach() != 0) {
        state.SkipWithError("the listener could not attach");
        return;
    }
    int calls = 0;
    for (auto _ : state) {
        logCall(calls);
        if (++calls % kDrainEvery == 0) {
            state.PauseTiming();
            beacon.flush();
            state.ResumeTiming();
        }
    }
    beacon.flush();
    state.SetItemsProcessed(state.iterations());
}

void entryTrace(int) {
    LogBeacon::log("SerialReadThread::run", DebugLevel1, L" ");
}

void waitResult(int calls) {
    LogBeacon::log("SerialReadThread::run", DebugLevel4, L"::WaitForMultipleObjects() returned [%d].", calls);
}

void textArguments(int calls) {
    LogBeacon::log("TelvaneDlg::OnDeviceStatus", Information, L"Device [%hs], firmware [%s], battery [%u%%].",
                   "QUORVEX M450", L"2.14", static_cast<unsigned>(calls % 100));
}

void BM_LogEntryTrace_OneListener(benchmark::State& state) {
    measureLogCall(state, true, entryTrace);
}
void BM_LogWaitResult_OneListener(benchmark::State& state) {
    measureLogCall(state, true, waitResult);
}
void BM_LogTextArguments_OneListener(benchmark::State& state) {
    measureLogCall(state, true, textArguments);
}
void BM_LogWaitResult_NoListener(benchmark::State& state) {
    measureLogCall(state, false, waitResult);
}
// A level the listener filters out, as the log file does with the application's own levels.
void BM_LogFilteredLevel_OneListener(benchmark::State& state) {
    measureLogCall(
        state, true,
        [](int calls) { LogBeacon::log("TelvaneDlg::OnTimer", AppSpecific1, L"tick %d", calls); }, 0xF0FF);
}

BENCHMARK(BM_LogEntryTrace_OneListener);
BENCHMARK(BM_LogWaitResult_OneListener);
BENCHMARK(BM_LogTextArguments_OneListener);
BENCHMARK(BM_LogWaitResult_NoListener);
BENCHMARK(BM_LogFilteredLevel_OneListener);

}  // namespace

BENCHMARK_MAIN();
