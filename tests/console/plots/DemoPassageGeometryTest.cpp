// A demo passage as the simulated unit streams it (through the bytes of its streaming records),
// on the main window's history plot: what a new user sees first.
#include "console/plots/HistoryLayers.h"
#include "console/plots/HistoryScene.h"
#include "device/ChannelRegistry.h"
#include "device/EventBlockDecoder.h"
#include "simulator/PigField.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvex::console {
namespace {

constexpr int Width = 495;
constexpr int Height = 194;
constexpr std::uint16_t Firmware = 96 << 4;
constexpr int DemoRate = 15;
constexpr int DefaultGain = 8;

PlotSample streamed(const simulator::Pig& pig, int k) {
    const auto at = pig.passes + std::chrono::microseconds(k * 1'000'000 / DemoRate);
    simulator::FieldSample field =
        simulator::fieldSample(std::span(&pig, 1), at, static_cast<std::uint64_t>(k + 100), 1, DefaultGain);
    field.record.channelCode = 1;
    const simulator::Bytes block =
        simulator::streamingBlock(std::span(&field.record, 1), simulator::RecordLayout::Renumbered66);
    return EventBlockDecoder::streamingSample(std::span(block).subspan(1), Firmware);
}

TEST(DemoPassage, RisesToHalfToThreeQuartersOfThePlotOverALowFloorAndFitsInIt) {
    const simulator::Pig pig{1, {}, simulator::Clock::time_point{std::chrono::hours(1)}};
    HistoryModel model;
    model.reset(Width);
    int tallest = 0;
    int floor = 0;
    int highestZ = 0;
    // Five seconds either side of the passage at the demo's rate.
    for (int k = -75; k <= 75; ++k) {
        model.addSample(streamed(pig, k));
        const int bar = levelBars(model.current(), Firmware).front().height;
        tallest = std::max(tallest, bar);
        highestZ = std::max(highestZ, levelScale().height(model.current().z));
        if (std::abs(k) > 70) {
            floor = std::max(floor, bar);
        }
    }
    EXPECT_GE(tallest, 0.4 * FullScaleHeight);
    EXPECT_LE(tallest, 0.9 * FullScaleHeight);
    EXPECT_GE(highestZ, 0.4 * FullScaleHeight);
    EXPECT_LE(highestZ, 0.9 * FullScaleHeight);
    EXPECT_GE(floor, 1) << "the noise floor shows";
    EXPECT_LE(floor, 8) << "but stays low";
    // The whole rise and fall is on the plot at once: channel 1's area holds every sample and
    // peaks at the tallest bar's height.
    const PlotContext context{true, Firmware, DefaultGain, &ChannelKind::Quorvex};
    const PlotScene scene = historyScene(model, context, Width, Height);
    const auto area = std::find_if(scene.begin(), scene.end(), [](const PlotShape& shape) {
        return shape.kind == PlotShape::Kind::FillPolygon && shape.colour == ChannelRegistry::find(1)->colour;
    });
    ASSERT_NE(area, scene.end());
    EXPECT_EQ(area->points.size(), 151u + 2);
    const int top = std::min_element(area->points.begin(), area->points.end(), [](auto& a, auto& b) {
                        return a.y < b.y;
                    })->y;
    EXPECT_EQ(top, Height - 3 - (tallest - 1));
}

}  // namespace
}  // namespace quorvex::console
