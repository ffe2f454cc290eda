// Throughput of the two steps every inbound frame takes on one core: the frame parser of the read
// thread (FrameCodec::parse) and the event decoder of the dispatch thread (DispatchMessage of a
// private device stack, posting its records to a window on this thread). Bytes and frames per
// second, with no log listener and with one that takes every line (as the debug log file does).
#include "bench/BenchFrames.h"
#include "device/EventRecords.h"
#include "device/FrameCodec.h"
#include "device/QueryInterface.h"
#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <vector>

namespace {

using namespace quorvex::bench;
using namespace zeph::windows::logging;
namespace platform = zeph::platform;

// Log records and posted event records are drained this often, with the timer paused.
constexpr int kDrainEvery = 256;

class NullListener : public LogListener {
public:
    ~NullListener() override { detach(); }
    void write(const LogEntry& entry) override { benchmark::DoNotOptimize(entry.message().data()); }
};

enum class Input { OneRecord, FullBlock, MixedEvents, WakeBytesThenFrame, Garbage };

// The bytes of one read as the read thread hands them to the parser.
std::vector<std::uint8_t> readOf(Input input) {
    switch (input) {
        case Input::OneRecord:
            return frameOf(streamingPayload(1));
        case Input::FullBlock:
            return frameOf(streamingPayload(255));
        case Input::MixedEvents:
            return frameOf(mixedEventsPayload());
        case Input::WakeBytesThenFrame: {
            // A unit waking up: a run of wake bytes, then a frame.
            std::vector<std::uint8_t> bytes(64, FrameCodec::WakeByte);
            const auto frame = frameOf(streamingPayload(1));
            bytes.insert(bytes.end(), frame.begin(), frame.end());
            return bytes;
        }
        case Input::Garbage: {
            // Line noise: wake bytes mixed with bytes that are not a frame start.
            std::vector<std::uint8_t> bytes(1024);
            std::uint32_t seed = 12345;
            for (std::uint8_t& byte : bytes) {
                seed = seed * 1103515245u + 12345u;
                const auto value = static_cast<std::uint8_t>(seed >> 16);
                byte = (value & 1) != 0 ? FrameCodec::WakeByte : static_cast<std::uint8_t>(value | 0x80);
            }
            return bytes;
        }
    }
    return {};
}

// Parses the read as the read thread does: frame after frame until the bytes are used up, the
// parser wants more, or it rejects them (the read thread then drops the buffer).
void BM_FrameCodecParse(benchmark::State& state, Input input, bool withListener) {
    LogBeacon& beacon = LogBeacon::instance();
    NullListener listener;
    if (withListener && listener.attach() != 0) {
        state.SkipWithError("the listener could not attach");
        return;
    }
    const std::vector<std::uint8_t> bytes = readOf(input);
    std::int64_t frames = 0;
    int calls = 0;
    for (auto _ : state) {
        std::span<const std::uint8_t> left(bytes);
        while (!left.empty()) {
            const FrameVerdict verdict = FrameCodec::parse(left, ConnectionState::Connected, kFirmwareWord);
            benchmark::DoNotOptimize(verdict);
            frames += verdict.result == FRAME_ACCEPTED ? 1 : 0;
            if (verdict.result != FRAME_ACCEPTED || verdict.consumed == 0) {
                break;
            }
            left = left.subspan(verdict.consumed);
        }
        if (++calls % kDrainEvery == 0) {
            state.PauseTiming();
            beacon.flush();
            state.ResumeTiming();
        }
    }
    beacon.flush();
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetItemsProcessed(frames);  // whole frames accepted
    // The codec does not read records; the counter is there because every run of a program must
    // carry the same counters for the CSV report.
    state.counters["records_per_second"] = benchmark::Counter(0.0, benchmark::Counter::kIsRate);
}

// A private stack that streams from a 0.91 unit and posts to a window of the benchmark's thread.
class DecoderStack : public QuorvexDeviceStack {
public:
    explicit DecoderStack(platform::HWND window) {
        window_ = window;
        deviceState_.setDeviceName("M450 1");
        deviceState_.setFirmware({kFirmwareWord, 0});
        deviceState_.setConnectionState(ConnectionState::Connected);
        deviceState_.setOperatingMode(OperatingMode::Streaming);
        deviceState_.setStreamingState(StreamingState::Playing);
    }
};

void BM_DispatchMessage(benchmark::State& state, Input input, bool withListener) {
    LogBeacon& beacon = LogBeacon::instance();
    NullListener listener;
    if (withListener && listener.attach() != 0) {
        state.SkipWithError("the listener could not attach");
        return;
    }
    std::int64_t records = 0;
    const platform::HWND window = platform::createMessageWindow(
        [&records](platform::HWND, platform::UINT message, platform::WPARAM, platform::LPARAM lParam) {
            records += deleteEventRecord(message, lParam) ? 1 : 0;
            return platform::LRESULT{0};
        });
    {
        DecoderStack stack(window);
        const std::vector<std::uint8_t> frame = readOf(input);
        // The decoder takes the payload alone, as the parser cut it out of the frame.
        const std::span<const std::uint8_t> payload(frame.data() + FrameCodec::PayloadOffset,
                                                    frame.size() - FrameCodec::FrameOverhead);
        int calls = 0;
        for (auto _ : state) {
            stack.DispatchMessage(payload.data(), payload.size());
            if (++calls % kDrainEvery == 0) {
                state.PauseTiming();
                platform::pumpMessages();
                beacon.flush();
                state.ResumeTiming();
            }
        }
        platform::pumpMessages();
        beacon.flush();
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
        state.SetItemsProcessed(state.iterations());  // one frame's payload each
        state.counters["records_per_second"] =
            benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    }
    platform::destroyWindow(window);
}

void registerAll() {
    struct Named {
        const char* name;
        Input input;
    };
    const Named parseInputs[] = {{"OneRecord", Input::OneRecord},
                                 {"Records255", Input::FullBlock},
                                 {"MixedEvents", Input::MixedEvents},
                                 {"WakeBytesThenFrame", Input::WakeBytesThenFrame},
                                 {"GarbageWithWakeBytes", Input::Garbage}};
    for (const bool listener : {false, true}) {
        const std::string suffix = listener ? "/OneListener" : "/NoListener";
        for (const Named& named : parseInputs) {
            benchmark::RegisterBenchmark(("BM_FrameCodecParse/" + std::string(named.name) + suffix).c_str(),
                                         BM_FrameCodecParse, named.input, listener);
        }
        for (const Named& named : parseInputs) {
            if (named.input == Input::WakeBytesThenFrame || named.input == Input::Garbage) {
                continue;  // never reaches the decoder
            }
            benchmark::RegisterBenchmark(("BM_DispatchMessage/" + std::string(named.name) + suffix).c_str(),
                                         BM_DispatchMessage, named.input, listener);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
