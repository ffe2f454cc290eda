// One full repaint of each plot with a full ring: the scene built from the ring, rasterised into
// the off-screen picture and copied out, as a paint after new samples does. Goal: 1 ms or less.
#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

using quorvex::console::AxisHistoryWnd;
using quorvex::console::HistoryWnd;

StreamingSample sampleOf(int channel, int i) {
    StreamingSample sample;
    sample.channel = static_cast<std::uint16_t>(channel);
    const double phase = i / 12.0;
    for (int slot = 0; slot < 8; ++slot) {
        sample.levels[slot] = static_cast<std::int32_t>(9'000'000 + 8'000'000 * std::sin(phase + slot));
        sample.transmitters[slot % 7] = 1;
    }
    sample.x = static_cast<std::int32_t>(12'000'000 + 6'000'000 * std::sin(phase));
    sample.y = static_cast<std::int32_t>(8'000'000 + 5'000'000 * std::cos(phase));
    sample.z = channel == 8 ? static_cast<std::int32_t>(32768 + 9000 * std::sin(phase))
                            : static_cast<std::int32_t>(4'000'000 + 2'000'000 * std::sin(phase));
    sample.extra = sample.x;
    return sample;
}

DeviceState& unitState(int channel) {
    static DeviceState state;
    state.setConnectionState(ConnectionState::Connected);
    state.setFirmware({static_cast<std::uint16_t>(96 << 4), 0});
    state.setGain(5, 0);
    state.setActiveChannel(ChannelRegistry::find(channel));
    return state;
}

// Fills the window's ring (one more than it holds) and repaints it again and again.
template <typename Window>
void repaint(benchmark::State& loop, int width, int channel) {
    Window window(&unitState(channel));
    window.resize(width, 194);
    window.reset(width);
    if constexpr (std::is_same_v<Window, HistoryWnd>) {
        if (channel == 8) {
            window.setMode(ChannelKind::Magnetic);
        }
    }
    for (int i = 0; i < 400; ++i) {
        window.addSample(sampleOf(channel, i));
    }
    QImage screen(width, 194, QImage::Format_RGB32);
    for (auto _ : loop) {
        window.refresh();
        window.render(&screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
}

void BM_HistoryRepaintFullRing(benchmark::State& loop) {
    repaint<HistoryWnd>(loop, 495, 4);
}
void BM_HistoryMagneticRepaintFullRing(benchmark::State& loop) {
    repaint<HistoryWnd>(loop, 495, 8);
}
void BM_AxisHistoryRepaintFullRing(benchmark::State& loop) {
    repaint<AxisHistoryWnd>(loop, 474, 4);
}

BENCHMARK(BM_HistoryRepaintFullRing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistoryMagneticRepaintFullRing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AxisHistoryRepaintFullRing)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
