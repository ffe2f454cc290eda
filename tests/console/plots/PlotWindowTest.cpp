#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"
#include "tests/console/plots/PlotSamples.h"
#include "tests/console/support/ConsoleTestApp.h"
#include "tests/console/support/ReferenceImage.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace quorvex::console {
namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

class PlotWindowTest : public test::WindowTest {
protected:
    void SetUp() override {
        state_.setConnectionState(ConnectionState::Connected);
        state_.setFirmware({static_cast<std::uint16_t>(96 << 4), 0});
        state_.setGain(5, 0);
        state_.setActiveChannel(ChannelRegistry::find(4));
    }

    // A few seconds of a transmitter 4 pass: levels rise and fall, the axes swing.
    static StreamingSample passSample(int i) {
        StreamingSample sample = test::plotSample(4, -1, -1);
        const double phase = i / 12.0;
        sample.levels[3] = static_cast<std::int32_t>(9'000'000 + 8'000'000 * std::sin(phase));
        sample.levels[1] = static_cast<std::int32_t>(4'000'000 + 3'000'000 * std::cos(phase / 2));
        sample.levels[6] = 2'500'000;
        sample.transmitters[1] = 1;
        sample.x = static_cast<std::int32_t>(12'000'000 + 6'000'000 * std::sin(phase));
        sample.y = static_cast<std::int32_t>(8'000'000 + 5'000'000 * std::cos(phase * 1.3));
        sample.z = static_cast<std::int32_t>(4'000'000 + 2'000'000 * std::sin(phase * 0.7));
        return sample;
    }

    DeviceState state_;
};

// Force Redraw then draws the picture again from the unit's state now, where a repaint would
// copy the cached one.
TEST_F(PlotWindowTest, StreamingHistoryLooksLikeItsReferenceAndRedrawRebuildsIt) {
    HistoryWnd window(&state_);
    window.resize(495, 194);
    window.reset(495);
    for (int i = 0; i < 200; ++i) {
        window.addSample(passSample(i));
    }
    const QImage streaming = window.grab().toImage();
    EXPECT_TRUE(test::matchesReference(streaming, QStringLiteral("history-streaming")));

    state_.setConnectionState(ConnectionState::Disconnected);  // nothing drawn but frame and grid
    HistoryWnd fresh(&state_);
    fresh.resize(495, 194);
    fresh.reset(495);
    const QImage empty = fresh.grab().toImage();
    ASSERT_NE(streaming, empty);
    EXPECT_EQ(empty, window.grab().toImage()) << "every paint draws the unit's state now";
    window.redraw();
    EXPECT_EQ(empty, window.grab().toImage());
}

TEST_F(PlotWindowTest, MagneticHistoryLooksLikeItsReference) {
    state_.setActiveChannel(ChannelRegistry::find(8));
    HistoryWnd window(&state_);
    window.resize(495, 194);
    window.reset(495);
    window.setMode(ChannelKind::Magnetic);
    for (int i = 0; i < 120; ++i) {
        StreamingSample sample = test::plotSample(8, -1, -1);
        sample.z = static_cast<std::int32_t>(32768 + 9000 * std::sin(i / 6.0));
        window.addSample(sample);
    }
    EXPECT_TRUE(test::matchesReference(window.grab().toImage(), QStringLiteral("history-magnetic")));
}

TEST_F(PlotWindowTest, AxisHistoryLooksLikeItsReference) {
    AxisHistoryWnd window(&state_);
    window.resize(474, 194);
    window.reset(474);
    for (int i = 0; i < 200; ++i) {
        window.addSample(passSample(i));
    }
    EXPECT_TRUE(test::matchesReference(window.grab().toImage(), QStringLiteral("axis-history"), 120));
}

TEST_F(PlotWindowTest, EverySampleEntersTheRingButPaintingKeepsTheScreensPace) {
    HistoryWnd history(&state_);
    AxisHistoryWnd axes(&state_);
    PaintCounter historyPaints;
    PaintCounter axisPaints;
    history.installEventFilter(&historyPaints);
    axes.installEventFilter(&axisPaints);
    history.resize(495, 194);
    axes.resize(474, 194);
    history.reset();
    axes.reset();
    history.show();
    axes.show();
    ASSERT_TRUE(test::waitUntil([&] { return historyPaints.paints > 0 && axisPaints.paints > 0; }));
    historyPaints.paints = 0;
    axisPaints.paints = 0;

    // 150 samples a second for one second, each posted on its own, as the stack delivers them.
    int fed = 0;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(1000 / 150);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        history.addSample(passSample(fed));
        axes.addSample(passSample(fed));
        if (++fed == 150) {
            feeder.stop();
        }
    });
    QElapsedTimer feeding;
    feeding.start();
    feeder.start();
    ASSERT_TRUE(test::waitUntil([&] { return fed == 150; }));
    ASSERT_TRUE(test::waitUntil([&] { return historyPaints.paints > 0; }));
    const qint64 elapsedMs = feeding.elapsed();
    EXPECT_EQ(history.model().ring().newest(0).x, passSample(149).x);
    EXPECT_EQ(history.model().ring().newest(149).x, passSample(0).x) << "no sample was dropped";
    EXPECT_EQ(axes.model().ring().newest(149).x, passSample(0).x);
    // A paint per frame interval at most, however long the feeding took (a little slack for
    // timer jitter): about 30 in a second.
    const qint64 most = elapsedMs / RepaintPacer::FrameIntervalMs + 5;
    EXPECT_LE(historyPaints.paints, most) << elapsedMs << " ms";
    EXPECT_LE(axisPaints.paints, most) << elapsedMs << " ms";
}

}  // namespace
}  // namespace quorvex::console
