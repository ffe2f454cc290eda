// The pig run's engine at sizes beyond any real pipeline: chainage of a position on a route of
// 1,000,000 vertices (goal under 20 us), reading a 100,000-vertex route file (goal under 1 s),
// and a run of 1,000 markers and 10,000 passages recomputed (goal under 50 ms).
#include "tracking/PassagePlacement.h"
#include "tracking/PigRun.h"
#include "tracking/RouteBuilder.h"
#include "tracking/RouteReader.h"
#include "tracking/RunEvaluation.h"

#include <benchmark/benchmark.h>
#include <GeographicLib/Geodesic.hpp>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

using namespace quorvex::tracking;
using namespace std::chrono_literals;

GeoPoint direct(const GeoPoint& from, double azimuth, double metres) {
    GeoPoint to;
    GeographicLib::Geodesic::WGS84().Direct(from.lat, from.lon, azimuth, metres, to.lat, to.lon);
    return to;
}

// A pipeline that wanders: `count` vertices `step` metres apart, turning a little at each.
std::vector<GeoPoint> wanderingLine(std::size_t count, double step) {
    std::mt19937 random(7);
    std::normal_distribution<double> turn(0, 3);
    std::vector<GeoPoint> line{{-34.3, 146.1}};
    double heading = 100;
    while (line.size() < count) {
        heading += turn(random);
        line.push_back(direct(line.back(), heading, step));
    }
    return line;
}

Route routeOf(std::vector<GeoPoint> line, std::size_t markers) {
    std::vector<MarkerDraft> drafts;
    for (std::size_t i = 0; i < markers; ++i) {
        drafts.push_back({"KP" + std::to_string(i),
                          line[i * (line.size() - 1) / std::max<std::size_t>(markers - 1, 1)], std::nullopt});
    }
    std::optional<Route> route;
    if (const std::string error =
            buildRoute({"bench", {std::move(line)}, std::move(drafts)}, RouteLimits{}, route);
        !error.empty()) {
        throw std::runtime_error(error);
    }
    return std::move(*route);
}

void ChainageOnAMillionVertexRoute(benchmark::State& state) {
    static const Route route = routeOf(wanderingLine(1'000'000, 2), 0);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> vertex(0, route.line().size() - 1);
    std::uniform_real_distribution<double> aside(-60, 60);
    std::vector<GeoPoint> positions;
    for (int i = 0; i < 4096; ++i) {
        positions.push_back(
            direct(route.line()[vertex(random)], aside(random) > 0 ? 10 : 190, std::abs(aside(random))));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(route.locate(positions[i++ % positions.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ChainageOnAMillionVertexRoute)->Unit(benchmark::kMicrosecond);

void ReadingA100000VertexRouteFile(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "quorvex-bench-route.geojson";
    {
        std::ofstream file(path);
        file.precision(10);
        file << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"bench"},)"
             << R"("geometry":{"type":"LineString","coordinates":[)";
        const std::vector<GeoPoint> line = wanderingLine(100'000, 20);
        for (std::size_t i = 0; i < line.size(); ++i) {
            file << (i ? "," : "") << '[' << line[i].lon << ',' << line[i].lat << ']';
        }
        file << "]}}";
        for (std::size_t i = 0; i < 100; ++i) {
            const GeoPoint& at = line[i * 1000];
            file << R"(,{"type":"Feature","properties":{"name":"KP)" << i << R"("},)"
                 << R"("geometry":{"type":"Point","coordinates":[)" << at.lon << ',' << at.lat << "]}}";
        }
        file << "]}";
    }
    for (auto _ : state) {
        std::optional<Route> route;
        if (const std::string error = readRoute(path, RouteLimits{}, route); !error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(route);
    }
    std::filesystem::remove(path);
}
BENCHMARK(ReadingA100000VertexRouteFile)->Unit(benchmark::kMillisecond);

// 1,000 markers 1 km apart, ten pigs in a train, each passing every marker: 10,000 passages.
struct BigRun {
    Route route = routeOf(wanderingLine(10'000, 100), 1000);
    RunPlan plan;
    std::vector<Passage> passages;
    BigRun() {
        const UtcTime start = UtcTime(std::chrono::sys_days(std::chrono::December / 7 / 2026));
        for (int pig = 0; pig < 10; ++pig) {
            plan.pigs.push_back({"P" + std::to_string(pig), 0, start + pig * 10min, 1.0});
        }
        for (std::size_t m = 0; m < route.markers().size(); ++m) {
            for (int pig = 0; pig < 10; ++pig) {
                const UtcTime time = start + pig * 10min + std::chrono::seconds(static_cast<long>(m) * 1000);
                passages.push_back({time, direct(route.markers()[m].position, 45, 10), "", "u", "j", 0});
            }
        }
    }
};

void PlacingTenThousandPassages(benchmark::State& state) {
    static const BigRun big;
    for (auto _ : state) {
        PigRun run(big.route, big.plan);
        for (const Passage& passage : big.passages) {
            run.add(passage);
        }
        benchmark::DoNotOptimize(run.passages().data());
    }
}
BENCHMARK(PlacingTenThousandPassages)->Unit(benchmark::kMillisecond);

void RecomputingARunOf1000MarkersAnd10000Passages(benchmark::State& state) {
    static const BigRun big;
    PigRun run(big.route, big.plan);
    for (const Passage& passage : big.passages) {
        run.add(passage);
    }
    const UtcTime now = big.passages.back().time + 1h;
    for (auto _ : state) {
        const RunState result = run.evaluate(now);
        benchmark::DoNotOptimize(result.pigs.data());
    }
}
BENCHMARK(RecomputingARunOf1000MarkersAnd10000Passages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
