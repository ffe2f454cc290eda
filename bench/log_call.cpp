// The cost of one LogBeacon::log call on the calling thread: render, time-stamp, one heap record
// and one posted message. Delivery to the listeners is not measured: the queue is drained with
// the timer paused, so it never grows without bound.
#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zeph::windows::logging;

constexpr int kDrainEvery = 1024;

class NullListener : public LogListener {
public:
    ~NullListener() override { detach(); }
    void write(const LogVerbosity&, zeph::platform::SYSTEMTIME, const wchar_t*,
               const wchar_t* message) override {
        benchmark::DoNotOptimize(message);
    }
};

// Runs the log call in a loop, with or without one listener attached.
template <typename LogCall>
void measureLogCall(benchmark::State& state, bool withListener, LogCall logCall) {
    LogBeacon& beacon = LogBeacon::instance();  // the benchmark's thread owns and drains it
    NullListener listener;
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

BENCHMARK(BM_LogEntryTrace_OneListener);
BENCHMARK(BM_LogWaitResult_OneListener);
BENCHMARK(BM_LogTextArguments_OneListener);
BENCHMARK(BM_LogWaitResult_NoListener);

}  // namespace

BENCHMARK_MAIN();
