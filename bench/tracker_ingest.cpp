// The tracker's ingestion: passages from 1,000 units taken (parsed, de-duplicated in SQLite and
// fed to the runs they belong to) with 100 runs on the route. Goal: 10,000 per second, wall clock.
// Messages come in batches as the broker client reads them (one transaction each); Batch/1 is a
// message at a time. Tied: each run has 10 units of its own; Untied: every run takes every
// passage on its route (the worst case: each passage goes to all 100 engines).
#include "tracker/Tracker.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace quorvex::tracker;

constexpr int Units = 1000;
constexpr int Runs = 100;

std::string routeBytes() {
    std::ostringstream bytes;
    bytes << std::ifstream(QUORVEX_SAMPLE_ROUTE, std::ios::binary).rdbuf();
    return bytes.str();
}

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return 0;
}

void ingest(benchmark::State& state, bool tied) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("bench-tracker-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    Tracker tracker;
    tracker.open(folder, nullptr);
    tracker.addRoute("line.geojson", routeBytes());
    for (int run = 0; run < Runs; ++run) {
        nlohmann::json units = nlohmann::json::array();
        for (int unit = run; tied && unit < Units; unit += Runs) {
            units.push_back("U" + std::to_string(unit));
        }
        tracker.startRun({{"name", "run" + std::to_string(run)},
                          {"route", "line.geojson"},
                          {"launch", "MLV01"},
                          {"launchTime", "2026-12-01T00:00:00Z"},
                          {"speedKmh", 7.2},
                          {"units", units}});
    }
    const auto batch = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> serials;
    std::vector<std::string> payloads;
    std::vector<UnitDelivery> deliveries;
    std::int64_t id = 0;
    for (auto _ : state) {
        state.PauseTiming();
        serials.clear();
        payloads.clear();
        deliveries.clear();
        for (std::size_t at = 0; at < batch; ++at, ++id) {
            serials.push_back("U" + std::to_string(id % Units));
            payloads.push_back(R"({"id":)" + std::to_string(id + 1) +
                               R"(,"journal":"j","kind":"passage","time":"2026-12-01T08:00:00Z",)"
                               R"("latitude":-34.3796844,"longitude":146.2492523})");
        }
        for (std::size_t at = 0; at < batch; ++at) {
            deliveries.push_back({serials[at], "passage", payloads[at]});
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(tracker.receiveUnits(deliveries));
    }
    state.SetItemsProcessed(id);
    state.counters["resident_MB"] = residentMegabytes();
    std::filesystem::remove_all(folder);
}

void Tied(benchmark::State& state) {
    ingest(state, true);
}
void Untied(benchmark::State& state) {
    ingest(state, false);
}
// 20,000 passages each (5,000 untied, which feeds 100 engines per passage).
BENCHMARK(Tied)->Arg(1)->Iterations(20'000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Tied)->Arg(100)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Untied)->Arg(1)->Iterations(5'000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Untied)->Arg(100)->Iterations(50)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
