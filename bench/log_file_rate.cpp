// The debug log file in queued mode: how many entries per second reach the file while a worker
// logs and the window thread delivers them, and what one entry costs the window thread.
#include "support/logfile/LogFileListener.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Thread.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>

namespace {

using namespace zeph::windows::logging;
namespace platform = zeph::platform;

constexpr platform::UINT kProducerDone = platform::WM_APP + 7;
constexpr int kEntriesPerRun = 100000;
constexpr int kEntriesPerDelivery = 1024;

// A folder of its own under the temporary folder, removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvex-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::wstring wide() const { return platform::widen(path_.string()); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::size_t lineCount(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t lines = 0;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) {
        lines += *it == '\n' ? 1 : 0;
    }
    return lines;
}

void logWaitResult(int n) {
    LogBeacon::log("zeph::windows::system::threading::SerialReadThread::run", DebugLevel4,
                   L"::WaitForMultipleObjects() returned [%d].", n);
}

// One run: a worker logs kEntriesPerRun entries, the window thread (this one) delivers them to the
// listener in queued mode, and the run ends when stopBackgroundWriter has every line in the file.
void BM_QueuedEntriesReachingTheFile(benchmark::State& state) {
    LogBeacon& beacon = LogBeacon::instance();
    ScratchFolder folder;
    const platform::ThreadId windowThread = platform::currentThreadId();
    int run = 0;
    for (auto _ : state) {
        const std::wstring baseName = L"rate-" + std::to_wstring(run++);
        LogFileListener listener;
        if (listener.open(folder.wide(), baseName) != 0 || listener.attach() != 0 ||
            !listener.startBackgroundWriter()) {
            state.SkipWithError("the log file could not be opened in queued mode");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        std::thread producer([windowThread] {
            for (int n = 0; n < kEntriesPerRun; ++n) {
                logWaitResult(n);
            }
            platform::postThreadMessage(windowThread, kProducerDone, 0, 0);
        });
        for (platform::MSG msg;
             platform::getMessage(msg, nullptr, 0, 0) > 0 && msg.message != kProducerDone;) {
            platform::dispatchMessage(msg);
        }
        listener.stopBackgroundWriter();
        const auto stop = std::chrono::steady_clock::now();
        producer.join();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());

        listener.close();
        beacon.flush();
        const auto file = folder.path() / (platform::narrow(baseName) + ".log");
        if (lineCount(file) < static_cast<std::size_t>(kEntriesPerRun)) {
            state.SkipWithError("entries are missing from the file");
            return;
        }
        std::filesystem::remove(file);
    }
    state.SetItemsProcessed(state.iterations() * kEntriesPerRun);
}

// The window thread's share: delivering kEntriesPerDelivery posted entries to the listener
// (format the line, append it to the queue, or write it at once in direct mode). The entries are
// logged with the timer paused.
void measureDelivery(benchmark::State& state, bool queued) {
    LogBeacon& beacon = LogBeacon::instance();
    ScratchFolder folder;
    LogFileListener listener;
    if (listener.open(folder.wide(), L"delivery") != 0 || listener.attach() != 0 ||
        (queued && !listener.startBackgroundWriter())) {
        state.SkipWithError("the log file could not be opened");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kEntriesPerDelivery; ++i) {
            logWaitResult(n++);
        }
        state.ResumeTiming();
        beacon.flush();
    }
    state.SetItemsProcessed(state.iterations() * kEntriesPerDelivery);
    listener.close();
}

void BM_WindowThreadPerEntry_Queued(benchmark::State& state) {
    measureDelivery(state, true);
}
void BM_WindowThreadPerEntry_Direct(benchmark::State& state) {
    measureDelivery(state, false);
}

BENCHMARK(BM_QueuedEntriesReachingTheFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WindowThreadPerEntry_Queued)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_WindowThreadPerEntry_Direct)->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

BENCHMARK_MAIN();
