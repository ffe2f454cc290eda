// The tracker's ingestion: passages from 1,000 units taken (parsed, de-duplicated in SQLite and
// fed to the runs whose route they lie on) with 100 runs on the route. Goal: 10,000 per second.
#include "tracker/Tracker.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace quorvex::tracker;

std::string routeBytes() {
    std::ostringstream bytes;
    bytes << std::ifstream(QUORVEX_SAMPLE_ROUTE, std::ios::binary).rdbuf();
    return bytes.str();
}

void PassagesIngested(benchmark::State& state) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("bench-tracker-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    Tracker tracker;
    tracker.open(folder, nullptr);
    tracker.addRoute("line.geojson", routeBytes());
    for (int run = 0; run < 100; ++run) {
        tracker.startRun({{"name", "run" + std::to_string(run)},
                          {"route", "line.geojson"},
                          {"launch", "MLV01"},
                          {"launchTime", "2026-12-01T00:00:00Z"},
                          {"speedKmh", 7.2}});
    }
    std::int64_t id = 0;
    for (auto _ : state) {
        const std::string unit = "U" + std::to_string(id % 1000);
        const std::string payload = R"({"id":)" + std::to_string(++id) +
                                    R"(,"journal":"j","kind":"passage","time":"2026-12-01T08:00:00Z",)"
                                    R"("latitude":-34.3796844,"longitude":146.2492523})";
        benchmark::DoNotOptimize(tracker.receiveUnit(unit, "passage", payload));
    }
    state.SetItemsProcessed(state.iterations());
    std::filesystem::remove_all(folder);
}
BENCHMARK(PassagesIngested)->Iterations(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
