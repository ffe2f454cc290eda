#include "console/RunChartGeometry.h"

#include "console/RunTimeText.h"

#include <algorithm>
#include <array>

namespace quorvex::console {

namespace {

using tracking::UtcTime;
using namespace std::chrono_literals;

constexpr double Margin = 8;
constexpr std::size_t MaxTicks = 40;

// The span of time and chainage the chart shows, and how they map to pixels.
class ChartScale {
public:
    ChartScale(const runreport::RunSnapshot& run, QRectF plot) : plot_(plot) {
        const tracking::PigProgress& pig = *run.pig();
        from_ = run.plan.pigs.front().launchTime;
        to_ = std::max(run.now, from_ + 10min);
        bottom_ = top_ = run.route->markers()[pig.course.front().marker].chainageMetres;
        for (const tracking::CourseMarker& at : pig.course) {
            const double chainage = run.route->markers()[at.marker].chainageMetres;
            bottom_ = std::min(bottom_, chainage);
            top_ = std::max(top_, chainage);
            for (const auto& time : {at.passedAt, at.eta}) {
                if (time) {
                    to_ = std::max(to_, *time);
                }
            }
        }
        const auto pad = (to_ - from_) / 20;
        from_ -= pad;
        to_ += pad;
        const double room = std::max(top_ - bottom_, 1.0) / 20;
        bottom_ -= room;
        top_ += room;
    }

    double x(UtcTime time) const {
        const double share =
            std::chrono::duration<double>(time - from_) / std::chrono::duration<double>(to_ - from_);
        return plot_.left() + share * plot_.width();
    }
    double y(double chainage) const {
        return plot_.bottom() - (chainage - bottom_) / (top_ - bottom_) * plot_.height();
    }
    QPointF at(UtcTime time, double chainage) const { return {x(time), y(chainage)}; }

    // Round local times a few dozen pixels apart.
    std::vector<ChartTick> ticks() const {
        static constexpr std::array<std::chrono::minutes, 11> steps{
            1min, 2min, 5min, 10min, 15min, 30min, 60min, 120min, 180min, 360min, 720min};
        const auto span = to_ - from_;
        const double most = std::max(1.0, plot_.width() / 70);
        auto step = steps.back();
        for (const auto candidate : steps) {
            if (static_cast<double>(span / candidate) <= most) {
                step = candidate;
                break;
            }
        }
        const auto local = std::chrono::seconds(toDateTime(from_).toLocalTime().offsetFromUtc());
        const auto fromLocal = std::chrono::ceil<std::chrono::minutes>((from_ + local).time_since_epoch());
        const auto first = step * ((fromLocal.count() + step.count() - 1) / step.count());
        std::vector<ChartTick> ticks;
        for (UtcTime t = UtcTime(first) - local; t <= to_ && ticks.size() < MaxTicks; t += step) {
            ticks.push_back({x(t), toDateTime(t).toLocalTime().toString(QStringLiteral("HH:mm"))});
        }
        return ticks;
    }

private:
    QRectF plot_;
    UtcTime from_;
    UtcTime to_;
    double bottom_ = 0;
    double top_ = 0;
};

void placePassages(const runreport::RunSnapshot& run, const ChartScale& scale, RunChartGeometry& chart) {
    for (std::size_t i = 0; i < run.passages.size(); ++i) {
        const tracking::PlacedPassage& placed = run.passages[i];
        const tracking::PassageOutcome& outcome = run.state.passages[i];
        const UtcTime time = placed.passage.time;
        if (outcome.fate == tracking::PassageFate::Assigned && outcome.pig == 0 && outcome.marker) {
            chart.passages.push_back(scale.at(time, run.route->markers()[*outcome.marker].chainageMetres));
        } else if (placed.lineChainageMetres) {
            chart.otherPassages.push_back(scale.at(time, *placed.lineChainageMetres));
        }
    }
}

void placeProjection(const runreport::RunSnapshot& run, const ChartScale& scale, RunChartGeometry& chart) {
    const tracking::PigProgress& pig = *run.pig();
    const UtcTime start = pig.launched ? run.now : run.plan.pigs.front().launchTime;
    chart.estimate = scale.at(start, pig.estimatedChainageMetres);
    chart.projection.push_back(*chart.estimate);
    for (const tracking::CourseMarker& at : pig.course) {
        // An overdue marker's arrival lies in the past: the line goes on from now.
        if (at.eta && *at.eta >= start) {
            chart.projection.push_back(scale.at(*at.eta, run.route->markers()[at.marker].chainageMetres));
        }
    }
}

}  // namespace

RunChartGeometry runChartGeometry(const runreport::RunSnapshot& run, QSizeF size) {
    RunChartGeometry chart;
    chart.plot = QRectF(QPointF(ChartLabelWidth, Margin),
                        QPointF(std::max(ChartLabelWidth + 1, size.width() - Margin),
                                std::max(Margin + 1, size.height() - ChartTickHeight)));
    if (run.route == nullptr || run.pig() == nullptr) {
        return chart;
    }
    const ChartScale scale(run, chart.plot);
    for (const tracking::CourseMarker& at : run.pig()->course) {
        const tracking::Marker& marker = run.route->markers()[at.marker];
        const double y = scale.y(marker.chainageMetres);
        chart.markers.push_back(
            {QLineF(chart.plot.left(), y, chart.plot.right(), y), QString::fromStdString(marker.name)});
    }
    chart.ticks = scale.ticks();
    placePassages(run, scale, chart);
    const double nowX = scale.x(run.now);
    chart.nowLine = QLineF(nowX, chart.plot.top(), nowX, chart.plot.bottom());
    placeProjection(run, scale, chart);
    return chart;
}

}  // namespace quorvex::console
