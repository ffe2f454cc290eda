// End-to-end latency of the stream through a connected device stack: this program plays the unit on
// the master side of a pseudo-terminal registered as a COM port, writes one-record streaming
// frames at a fixed rate and stamps each frame's last byte; the main window (a message window on
// this program's main thread) stamps the streaming message the stack posts for it. Also samples
// the dispatch queue's depth every 100 ms, to show whether the consumer keeps up.
//
//   bench_dispatch_latency [--seconds=N] [--long] [--rates=100,150] [--drain-seconds=N]
// --long runs 300 s per rate. Other arguments (those of the Google Benchmark programs) are ignored.
#include "bench/BenchFrames.h"
#include "bench/BenchLogFile.h"
#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/QueryInterface.h"
#include "device/QuorvexMessages.h"
#include "support/communication/PortDirectory.h"
#include "support/communication/SerialSettings.h"
#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvex::bench;
namespace platform = zeph::platform;
using Clock = std::chrono::steady_clock;

constexpr platform::UINT kRunOver = platform::WM_APP + 11;

struct Options {
    double seconds = 60;
    double drainSeconds = 10;
    std::vector<int> rates{100, 150};
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--long") {
            options.seconds = 300;
        } else if (arg.starts_with("--seconds=")) {
            options.seconds = std::stod(arg.substr(10));
        } else if (arg.starts_with("--drain-seconds=")) {
            options.drainSeconds = std::stod(arg.substr(16));
        } else if (arg.starts_with("--rates=")) {
            options.rates.clear();
            std::string list = arg.substr(8);
            for (std::size_t at = 0; at < list.size();) {
                const std::size_t comma = std::min(list.find(',', at), list.size());
                options.rates.push_back(std::stoi(list.substr(at, comma - at)));
                at = comma + 1;
            }
        }
    }
    return options;
}

// With QUORVEX_BENCH_LOG set, every log line but the entry traces goes to stderr (for a failing
// set-up; it costs the figures their meaning).
class StderrListener : public zeph::windows::logging::LogListener {
public:
    ~StderrListener() override { detach(); }
    void write(const zeph::windows::logging::LogEntry& entry) override {
        if (&entry.verbosity() != &zeph::windows::logging::DebugLevel1) {
            std::fprintf(stderr, "%ls | %.*s | %.*s\n", entry.verbosity().name().c_str(),
                         static_cast<int>(entry.context().size()), entry.context().data(),
                         static_cast<int>(entry.message().size()), entry.message().data());
        }
    }
};

// The stack with its protected parts in reach, as the connection's owner sees them.
class BenchStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::deviceState_;
    using QuorvexDeviceStack::messageDispatchThread_;
    using QuorvexDeviceStack::onConnect;
    using QuorvexDeviceStack::window_;
};

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The unit's end of the line: a pty master linked as a COM port in a temporary port folder.
class Line {
public:
    Line() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        std::string folder = (std::filesystem::temp_directory_path() / "quorvex-bench-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        folder_ = folder;
        ::setenv("QUORVEX_PORT_DIR", folder_.c_str(), 1);
        const zeph::windows::communication::PortDirectory ports(folder_);
        if (ports.addLink(name, number_) != 0) {
            throw std::runtime_error("cannot link the pty as a COM port");
        }
    }
    ~Line() {
        close(master_);
        close(slave_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    int master() const { return master_; }
    int number() const { return number_; }
    void send(const std::vector<std::uint8_t>& bytes) const {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t wrote = write(master_, bytes.data() + done, bytes.size() - done);
            if (wrote <= 0) {
                throw std::runtime_error("write to the pty master failed");
            }
            done += static_cast<std::size_t>(wrote);
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    int number_ = 0;
    std::filesystem::path folder_;
};

struct Result {
    int rate = 0;
    std::size_t sent = 0;
    std::size_t delivered = 0;
    std::size_t duplicates = 0;
    std::size_t outOfOrder = 0;
    std::vector<double> latenciesMs;  // sorted
    std::vector<std::size_t> depths;  // every 100 ms while writing
};

// Pumps the main thread's messages until the predicate holds or the deadline passes.
template <typename Done>
bool pumpUntil(Done done, Clock::time_point deadline) {
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        platform::pumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

Result runAt(int rate, const Options& options) {
    Line line;
    Result result;
    result.rate = rate;
    const auto frames = static_cast<std::size_t>(options.seconds * rate);
    std::vector<std::atomic<std::int64_t>> sentAt(frames);
    std::vector<std::int64_t> deliveredAt(frames, 0);
    std::atomic<bool> runOver{false};
    bool connected = false;
    bool initialised = false;
    std::int64_t lastSequence = -1;

    const platform::HWND window = platform::createMessageWindow(
        [&](platform::HWND, platform::UINT message, platform::WPARAM, platform::LPARAM lParam) {
            const std::int64_t now = nowNs();
            if (message == WM_QUORVEX_ON_STREAMING_EVT) {
                const auto* sample = reinterpret_cast<const StreamingSample*>(lParam);
                const auto sequence = static_cast<std::size_t>(sample->x);
                if (sequence < frames) {
                    if (deliveredAt[sequence] != 0) {
                        ++result.duplicates;
                    } else {
                        deliveredAt[sequence] = now;
                        ++result.delivered;
                    }
                    result.outOfOrder += static_cast<std::int64_t>(sequence) < lastSequence ? 1 : 0;
                    lastSequence = static_cast<std::int64_t>(sequence);
                }
            } else if (message == WM_QUORVEX_ON_CONNECT) {
                connected = lParam == 0;
            } else if (message == WM_QUORVEX_ON_INIT_EVT) {
                initialised = true;
            } else if (message == kRunOver) {
                runOver = true;
            }
            if (message == WM_QUORVEX_FAILED_TO_SEND || message == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) {
                delete reinterpret_cast<FailureNotice*>(lParam);
            } else {
                deleteEventRecord(message, lParam);
            }
            return platform::LRESULT{0};
        });

    // The unit's side reads the acknowledgements, so that the line never fills up.
    std::atomic<bool> stopDrain{false};
    std::thread drain([&] {
        std::vector<std::uint8_t> bytes(4096);
        while (!stopDrain) {
            pollfd fd{line.master(), POLLIN, 0};
            if (poll(&fd, 1, 50) > 0 && read(line.master(), bytes.data(), bytes.size()) <= 0) {
                return;
            }
        }
    });

    auto stack = std::make_unique<BenchStack>();
    stack->window_ = window;
    zeph::windows::communication::SerialSettings settings;
    settings.setPortNumber(line.number());
    stack->onConnect(settings);
    const auto setupDeadline = Clock::now() + std::chrono::seconds(10);
    if (!pumpUntil([&] { return connected; }, setupDeadline)) {
        throw std::runtime_error("the stack did not connect to the pty");
    }
    line.send(initializationFrame());
    if (!pumpUntil([&] { return initialised; }, setupDeadline)) {
        throw std::runtime_error("the Initialization Message was not delivered");
    }
    // As after START and the first block: the stack accepts the stream.
    stack->deviceState_.setOperatingMode(OperatingMode::Streaming);
    stack->deviceState_.setStreamingState(StreamingState::Playing);

    // The frame template; X of the record carries the sequence number, the checksum is redone.
    // Records are laid out as the firmware the unit reported.
    const std::size_t recordSize = streamingRecordSize(stack->deviceState_.firmware()[0]);
    const std::vector<std::uint8_t> frameTemplate = frameOf(streamingPayload(1, 0, recordSize));
    std::printf("  unit firmware word 0x%04X: %zu-byte records, %zu-byte frames\n",
                stack->deviceState_.firmware()[0], recordSize, frameTemplate.size());
    constexpr std::size_t sequenceAt = 4 + 4 + 1 + 2;  // header, mask, count, channel code

    std::atomic<bool> writing{true};
    std::thread sampler([&] {
        auto next = Clock::now();
        while (writing) {
            result.depths.push_back(stack->messageDispatchThread_.getWorker().queueDepth());
            next += std::chrono::milliseconds(100);
            std::this_thread::sleep_until(next);
        }
    });
    std::thread writer([&] {
        const auto start = Clock::now();
        const auto interval = std::chrono::nanoseconds(1'000'000'000 / rate);
        std::vector<std::uint8_t> frame = frameTemplate;
        for (std::size_t i = 0; i < frames; ++i) {
            std::this_thread::sleep_until(start + interval * static_cast<std::int64_t>(i));
            const auto sequence = static_cast<std::uint32_t>(i);
            for (std::size_t k = 0; k < 4; ++k) {
                frame[sequenceAt + k] = static_cast<std::uint8_t>(sequence >> (8 * k));
            }
            frame[1] = FrameCodec::checksumOf(std::span(frame).subspan(2, frame.size() - 3));
            line.send(frame);
            sentAt[i].store(nowNs(), std::memory_order_release);
        }
        writing = false;
        platform::postMessage(window, kRunOver, 0, 0);
    });

    // The window thread: woken by every posted message, as the console's message loop is.
    while (!runOver) {
        platform::MSG msg{};
        if (platform::getMessage(msg, nullptr, 0, 0) <= 0) {
            break;
        }
        platform::dispatchMessage(msg);
    }
    writer.join();
    sampler.join();
    const std::size_t backlog = stack->messageDispatchThread_.getWorker().queueDepth();
    std::printf("  %d frames/s: writing done, %zu queued, %zu of %zu delivered; draining up to %.0f s\n",
                rate, backlog, result.delivered, frames, options.drainSeconds);
    pumpUntil([&] { return result.delivered + result.duplicates >= frames; },
              Clock::now() + std::chrono::milliseconds(static_cast<int>(options.drainSeconds * 1000)));

    stack->exit();
    stack.reset();
    stopDrain = true;
    drain.join();
    platform::pumpMessages();
    platform::destroyWindow(window);

    result.sent = frames;
    for (std::size_t i = 0; i < frames; ++i) {
        if (deliveredAt[i] != 0) {
            result.latenciesMs.push_back(static_cast<double>(deliveredAt[i] - sentAt[i].load()) / 1e6);
        }
    }
    std::sort(result.latenciesMs.begin(), result.latenciesMs.end());
    return result;
}

double at(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) {
        return 0;
    }
    return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
}

void report(const Result& r, double seconds) {
    const auto& l = r.latenciesMs;
    std::printf(
        "dispatch_latency at %d frames/s for %.0f s: %zu sent, %zu delivered, %zu duplicates, "
        "%zu out of order\n",
        r.rate, seconds, r.sent, r.delivered, r.duplicates, r.outOfOrder);
    std::printf(
        "  last byte written -> streaming message on the window thread: median %.2f ms   p90 %.2f "
        "ms   p99 %.2f ms   max %.2f ms\n",
        at(l, 0.5), at(l, 0.9), at(l, 0.99), l.empty() ? 0.0 : l.back());
    // Depth over time: one figure per tenth of the run, then its first and second half's mean.
    std::printf("  dispatch queue depth every %zu x 100 ms:", std::max<std::size_t>(1, r.depths.size() / 10));
    const std::size_t step = std::max<std::size_t>(1, r.depths.size() / 10);
    for (std::size_t i = 0; i < r.depths.size(); i += step) {
        std::printf(" %zu", r.depths[i]);
    }
    const std::size_t half = r.depths.size() / 2;
    double first = 0;
    double second = 0;
    for (std::size_t i = 0; i < r.depths.size(); ++i) {
        (i < half ? first : second) += static_cast<double>(r.depths[i]);
    }
    first /= static_cast<double>(std::max<std::size_t>(1, half));
    second /= static_cast<double>(std::max<std::size_t>(1, r.depths.size() - half));
    const std::size_t peak = r.depths.empty() ? 0 : *std::max_element(r.depths.begin(), r.depths.end());
    const bool grows = second > first + 5 && second > 2 * first;
    std::printf("\n  depth mean first half %.1f, second half %.1f, peak %zu: %s\n", first, second, peak,
                grows ? "GROWS (the consumer does not keep up)" : "bounded");
    // Machine-readable lines for scripts/bench.sh's summary table.
    const std::string name = "dispatch_latency@" + std::to_string(r.rate) + "/s";
    std::printf("SUMMARY|%s median|%.2f|ms\n", name.c_str(), at(l, 0.5));
    std::printf("SUMMARY|%s p90|%.2f|ms\n", name.c_str(), at(l, 0.9));
    std::printf("SUMMARY|%s p99|%.2f|ms\n", name.c_str(), at(l, 0.99));
    std::printf("SUMMARY|%s max|%.2f|ms\n", name.c_str(), l.empty() ? 0.0 : l.back());
    std::printf("SUMMARY|%s delivered|%zu/%zu|frames\n", name.c_str(), r.delivered, r.sent);
    std::printf("SUMMARY|%s queue depth peak|%zu|payloads\n", name.c_str(), peak);
    std::printf("SUMMARY|%s queue depth trend|%s|-\n", name.c_str(), grows ? "grows" : "bounded");
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    zeph::windows::logging::LogBeacon::instance();
    StderrListener listener;
    if (std::getenv("QUORVEX_BENCH_LOG") != nullptr) {
        listener.attach();
    }
    // QUORVEX_BENCH_LOG_FILE: the latency with the debug log file on, as the console runs.
    const BenchLogFile logFile(std::getenv("QUORVEX_BENCH_LOG_FILE") != nullptr);
    try {
        for (const int rate : options.rates) {
            if (rate <= 0) {
                continue;
            }
            report(runAt(rate, options), options.seconds);
            std::fflush(stdout);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dispatch_latency: %s\n", error.what());
        return 1;
    }
    return 0;
}
