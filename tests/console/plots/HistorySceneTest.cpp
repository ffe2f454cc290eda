#include "console/plots/AxisHistoryScene.h"
#include "console/plots/HistoryLayers.h"
#include "console/plots/HistoryScene.h"
#include "device/ChannelRegistry.h"
#include "tests/console/plots/PlotSamples.h"

#include <gtest/gtest.h>

#include <algorithm>

using zeph::platform::RGB;

namespace quorvex::console {
namespace {

constexpr int Width = 495;
constexpr int Height = 194;

std::uint16_t version(int minor) {
    return static_cast<std::uint16_t>(minor << 4);
}

PlotContext connected(int minor, const ChannelKind& unitKind = ChannelKind::Quorvex, int gain = 5) {
    return {true, version(minor), gain, &unitKind};
}

std::vector<const PlotShape*> shapesOf(const PlotScene& scene, PlotShape::Kind kind,
                                       zeph::platform::COLORREF colour) {
    std::vector<const PlotShape*> found;
    for (const PlotShape& shape : scene) {
        if (shape.kind == kind && shape.colour == colour) {
            found.push_back(&shape);
        }
    }
    return found;
}

TEST(HistoryLayers, ByModeAndFirmware) {
    const HistoryLayers levels{true, true, false, true, false};
    const HistoryLayers levelsAndLegacy{true, true, true, true, false};
    const HistoryLayers legacyOnly{false, false, true, false, false};
    const HistoryLayers magnetic{false, false, false, false, true};
    EXPECT_EQ(historyLayers(ChannelKind::Auto, version(96)), levels);
    EXPECT_EQ(historyLayers(ChannelKind::Legacy, version(96)), levels);
    EXPECT_EQ(historyLayers(ChannelKind::Magnetic, version(96)), magnetic);
    EXPECT_EQ(historyLayers(ChannelKind::Quorvex, version(95)), levelsAndLegacy);
    EXPECT_EQ(historyLayers(ChannelKind::Auto, version(90)), levels);
    EXPECT_EQ(historyLayers(ChannelKind::Legacy, version(95)), legacyOnly);
    EXPECT_EQ(historyLayers(ChannelKind::Magnetic, version(85)), magnetic);
    EXPECT_EQ(historyLayers(ChannelKind::Quorvex, 1), levels) << "major 1 is later than any 0.x";
}

TEST(HistoryLevelBars, TallestFirstWithoutTransmittersThatHaveNoLevel) {
    StreamingSample sample = test::plotSample(1, -1);
    sample.levels[0] = 5'000'000;
    sample.levels[3] = 20'000'000;
    sample.levels[5] = 10'000'000;
    sample.levels[7] = 15'000'000;
    std::vector<LevelBar> bars = levelBars(sample, version(95));
    ASSERT_EQ(bars.size(), 3u) << "Legacy has no bar before 0.96";
    EXPECT_EQ(bars[0].row->id, 4);
    EXPECT_EQ(bars[0].height, 190);
    EXPECT_EQ(bars[1].row->id, 6);
    EXPECT_EQ(bars[2].row->id, 1);
    bars = levelBars(sample, version(96));
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[1].row->id, 9) << "from 0.96 Legacy reads level slot 7";
}

TEST(HistoryScene, DisconnectedOrWithoutTransmitterOnlyTheBackgroundFrameGridAndStrip) {
    HistoryModel model;
    model.reset(Width);
    model.addSample(test::plotSample(4, 20'000'000));
    EXPECT_TRUE(historyScene(model, PlotContext{}, Width, Height).empty());
    model.reset(Width);  // what a disconnection does
    EXPECT_TRUE(historyScene(model, connected(96), Width, Height).empty());
    const PlotScene background = historyBackground({}, Width, Height);
    const auto strip = shapesOf(background, PlotShape::Kind::FillRect, RGB(0x30, 0x38, 0x47));
    ASSERT_EQ(strip.size(), 1u);
    EXPECT_EQ(strip[0]->points, (std::vector<PlotPoint>{{Width - 23, 2}, {Width - 2, Height - 2}}));
}

TEST(HistoryScene, ActiveAreaStartsAtTheStripAndReachesFullHeightAtTwentyMillion) {
    HistoryModel model;
    model.reset(Width);
    model.addSample(test::plotSample(4, 10'000'000));
    model.addSample(test::plotSample(4, 20'000'000));
    const PlotScene scene = historyScene(model, connected(96), Width, Height);
    const auto areas = shapesOf(scene, PlotShape::Kind::FillPolygon, ChannelRegistry::find(4)->colour);
    ASSERT_EQ(areas.size(), 1u);
    const int newestX = Width - 2 - 25;
    const std::vector<PlotPoint> expected{
        {newestX, 191}, {newestX, 2}, {newestX - 3, 97}, {newestX - 3, 191}};
    EXPECT_EQ(areas[0]->points, expected) << "empty slots (-1) are skipped";
    const auto bar = shapesOf(scene, PlotShape::Kind::FillRect, ChannelRegistry::find(4)->colour);
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar[0]->points, (std::vector<PlotPoint>{{Width - 22, 1}, {Width - 3, 191}}));
}

TEST(HistoryScene, DetectedTransmittersGetLinesInTheirColour) {
    HistoryModel model;
    model.reset(Width);
    StreamingSample sample = test::plotSample(4, 1'000'000);
    sample.transmitters[1] = 1;  // transmitter 2
    model.addSample(sample);
    model.addSample(sample);
    const PlotScene scene = historyScene(model, connected(96), Width, Height);
    EXPECT_EQ(shapesOf(scene, PlotShape::Kind::Polyline, ChannelRegistry::find(2)->colour).size(), 1u);
    EXPECT_TRUE(shapesOf(scene, PlotShape::Kind::Polyline, ChannelRegistry::find(3)->colour).empty());
}

TEST(HistoryScene, LegacyTraceFollowsTheUnitsKindAndStopsAtTheFirstGap) {
    HistoryModel model;
    model.reset(Width);
    model.addSample(test::plotSample(9, -1, 15'000'000));
    model.addSample(test::plotSample(9, -1, -1));
    model.addSample(test::plotSample(9, -1, 15'000'000));
    model.followUnitKind(ChannelKind::Legacy);
    const PlotScene scene = historyScene(model, connected(90, ChannelKind::Legacy), Width, Height);
    const auto traces = shapesOf(scene, PlotShape::Kind::FillPolygon, ChannelRegistry::find(9)->colour);
    ASSERT_EQ(traces.size(), 1u);
    const int newestX = Width - 2 - 24;
    EXPECT_EQ(traces[0]->points,
              (std::vector<PlotPoint>{{newestX, 191}, {newestX, 191 - 142}, {newestX, 191}}));

    model.followUnitKind(ChannelKind::Quorvex);
    historyScene(model, connected(92, ChannelKind::Auto), Width, Height);
    EXPECT_EQ(model.mode(), ChannelKind::Auto) << "the trace took the unit's kind";
}

TEST(HistoryScene, MagneticTraceDrawsGreenBarsAroundTheZeroLineAndNothingAtGainZero) {
    HistoryModel model;
    model.reset(Width);
    model.followUnitKind(ChannelKind::Magnetic);
    model.addSample(test::plotSample(8, -1, 32768 + 5000));
    model.addSample(test::plotSample(8, -1, 32768 - 5000));
    const int right = Width - 24;
    const int zero = Height - 3 - 95;
    PlotScene scene = historyScene(model, connected(96, ChannelKind::Magnetic, 1), Width, Height);
    const auto bars = shapesOf(scene, PlotShape::Kind::FillRect, RGB(0, 255, 0));
    ASSERT_EQ(bars.size(), 2u);
    // Newest (below the centre) hangs down from the zero line, the older one stands up.
    EXPECT_EQ(bars[0]->points, (std::vector<PlotPoint>{{right - 5, zero}, {right, 2 + 190 - 45}}));
    EXPECT_EQ(bars[1]->points, (std::vector<PlotPoint>{{right - 10, 2 + 190 - 145}, {right - 5, zero}}));
    EXPECT_EQ(shapesOf(scene, PlotShape::Kind::FillRect, RGB(255, 0, 0)).size(), 1u);

    scene = historyScene(model, connected(96, ChannelKind::Magnetic, 0), Width, Height);
    EXPECT_TRUE(shapesOf(scene, PlotShape::Kind::FillRect, RGB(0, 255, 0)).empty());
    EXPECT_EQ(shapesOf(scene, PlotShape::Kind::FillRect, RGB(255, 0, 0)).size(), 1u);
}

TEST(AxisHistoryScene, ThreeAxesInTheirColoursAndTheLegendAlways) {
    AxisHistoryModel model;
    model.reset(478);
    StreamingSample sample = test::plotSample(4, -1, 10'000'000);
    model.addSample(sample);
    sample.x = -1;
    model.addSample(sample);
    const PlotScene scene = axisHistoryScene(model, PlotContext{}, 478, Height);
    const auto x = shapesOf(scene, PlotShape::Kind::Polyline, RGB(255, 0, 0));
    EXPECT_EQ(x.size(), 1u) << "one X value is no line: only the legend's";
    const auto z = shapesOf(scene, PlotShape::Kind::Polyline, RGB(0, 255, 0));
    ASSERT_EQ(z.size(), 2u);
    EXPECT_EQ(z[0]->points, (std::vector<PlotPoint>{{478 - 4, 97}, {478 - 4 - 3, 97}}));
    const auto labels = std::count_if(scene.begin(), scene.end(),
                                      [](const PlotShape& s) { return s.kind == PlotShape::Kind::Text; });
    EXPECT_EQ(labels, 3);

    AxisHistoryModel idle;
    idle.reset(478);
    idle.setActiveTransmitter(nullptr);
    const PlotScene empty = axisHistoryScene(idle, PlotContext{}, 478, Height);
    EXPECT_EQ(shapesOf(empty, PlotShape::Kind::Polyline, RGB(255, 0, 0)).size(), 1u) << "legend only";
}

}  // namespace
}  // namespace quorvex::console
