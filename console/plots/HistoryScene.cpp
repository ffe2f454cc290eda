#include "console/plots/HistoryScene.h"

#include "console/plots/HistoryLayers.h"
#include "console/plots/RingTrace.h"
#include "device/ChannelRegistry.h"

#include <algorithm>

using zeph::platform::RGB;

namespace quorvex::console {

namespace {

constexpr int ScaleStripWidth = 25;
constexpr int LevelOffset = 25;
constexpr int TraceOffset = 24;
constexpr int ZeroLineHeight = 95;
constexpr int LegacyChannel = 9;

// A filled area between the points and the bottom line.
void addArea(PlotScene& scene, zeph::platform::COLORREF colour, std::vector<PlotPoint> points, int height) {
    if (points.empty()) {
        return;
    }
    const int bottomLine = height - 3;
    points.insert(points.begin(), {points.front().x, bottomLine});
    points.push_back({points.back().x, bottomLine});
    scene.push_back({PlotShape::Kind::FillPolygon, colour, std::move(points), {}, 0});
}

void addLevelBars(PlotScene& scene, const HistoryModel& model, std::uint16_t firmware, int width,
                  int height) {
    for (const LevelBar& bar : levelBars(model.current(), firmware)) {
        if (bar.height > 0) {
            scene.push_back(
                fillRect(bar.row->colour, width - 22, height - 3 - bar.height, width - 3, height - 3));
        }
    }
}

void addLevelHistory(PlotScene& scene, const HistoryModel& model, const ChannelRecord& row,
                     std::uint16_t firmware, int width, int height, bool filled) {
    const int slot = levelSlot(row, firmware);
    if (slot < 0) {
        return;
    }
    const RingWalk walk{model.ring(), width - model.ring().margin() - LevelOffset, model.mode().width()};
    std::vector<PlotPoint> points = tracePoints(
        walk, [slot](const PlotSample& s) { return s.levels[slot]; }, levelScale(), height, false);
    if (filled) {
        addArea(scene, row.colour, std::move(points), height);
    } else if (points.size() > 1) {
        scene.push_back(polyline(row.colour, std::move(points)));
    }
}

void addDetectedLines(PlotScene& scene, const HistoryModel& model, std::uint16_t firmware, int width,
                      int height) {
    for (int id = 1; id <= 7; ++id) {
        const ChannelRecord* row = ChannelRegistry::find(id);
        if (row != nullptr && model.detected(id)) {
            addLevelHistory(scene, model, *row, firmware, width, height, false);
        }
    }
}

void addLegacyTrace(PlotScene& scene, HistoryModel& model, const PlotContext& context, int width,
                    int height) {
    if (context.unitKind != nullptr && !(model.mode() == *context.unitKind)) {
        model.followUnitKind(*context.unitKind);
    }
    const bool legacyMode = model.mode() == ChannelKind::Legacy;
    const bool extraValue = firmwareAtLeast(context.firmware, 91);
    const VerticalScale scale{extraValue && !legacyMode ? 30'000'000u : LevelFullScale, false};
    const int step = (legacyMode || !extraValue) ? ChannelKind::Legacy.width() : ChannelKind::Auto.width();
    const RingWalk walk{model.ring(), width - model.ring().margin() - TraceOffset, step};
    auto field = [legacyMode](const PlotSample& s) { return legacyMode ? s.y : s.extra; };
    addArea(scene, ChannelRegistry::find(LegacyChannel)->colour,
            tracePoints(walk, field, scale, height, true), height);
}

void addMagneticTrace(PlotScene& scene, const HistoryModel& model, const PlotContext& context, int width,
                      int height) {
    const int left = 2;
    const int top = 2;
    const int right = width - TraceOffset;
    const int bottom = height - 3;
    const int zero = bottom - ZeroLineHeight;
    scene.push_back(fillRect(RGB(0, 0, 0), left, top, right, bottom));
    const int step = model.activeTransmitter()->kind->width();
    const std::uint32_t fullScale = magneticFullScale(context.gain);
    const std::size_t count =
        std::min(model.ring().capacity(), static_cast<std::size_t>((right - left) / step));
    for (std::size_t k = 0; fullScale != 0 && k < count; ++k) {
        const std::int32_t z = model.ring().newest(k).z;
        if (z == NoValue) {
            continue;
        }
        const std::int64_t u = std::int64_t{fullScale / 2} + z - 32768;
        const auto m =
            static_cast<int>(std::clamp<std::int64_t>(FullScaleHeight * u / fullScale, 0, FullScaleHeight));
        const int y = top + (FullScaleHeight - m);
        const int barRight = right - static_cast<int>(k) * step;
        if (y != zero) {
            scene.push_back(fillRect(RGB(0, 255, 0), std::max(barRight - step, left), std::min(y, zero),
                                     barRight, std::max(y, zero)));
        }
    }
    scene.push_back(fillRect(RGB(255, 0, 0), left, zero, right, zero + 2));
}

}  // namespace

PlotScene historyBackground(const FrameColours& colours, int width, int height) {
    PlotScene scene;
    addBackground(scene, width, height, colours, width - ScaleStripWidth + 2);
    addScaleStrip(scene, width, height);
    return scene;
}

PlotScene historyScene(HistoryModel& model, const PlotContext& context, int width, int height) {
    PlotScene scene;
    const ChannelRecord* active = model.activeTransmitter();
    if (!context.connected || active == nullptr) {
        return scene;
    }
    const HistoryLayers layers = historyLayers(model.mode(), context.firmware);
    if (layers.levelBars) {
        addLevelBars(scene, model, context.firmware, width, height);
    }
    if (layers.activeArea) {
        addLevelHistory(scene, model, *active, context.firmware, width, height, true);
    }
    if (layers.legacyTrace) {
        addLegacyTrace(scene, model, context, width, height);
    }
    if (layers.detectedLines) {
        addDetectedLines(scene, model, context.firmware, width, height);
    }
    if (layers.magneticTrace) {
        addMagneticTrace(scene, model, context, width, height);
    }
    return scene;
}

}  // namespace quorvex::console
