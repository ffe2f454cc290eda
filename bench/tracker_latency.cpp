// Publish to page: the time from a passage published on a local mosquitto to the page knowing it
// (the tracker's Server-Sent Event at /api/events, then the page's GET /api/passages that shows
// the passage), p50 and p99 over 300 passages a little apart. Goal: p99 under 1 s.
// Prints SUMMARY|name|figure|unit lines.
#include "bench/BenchBroker.h"
#include "tracker/BrokerClient.h"
#include "tracker/TrackerService.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using namespace quorvex;
using Clock = std::chrono::steady_clock;

void summary(const char* name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name, figure, unit);
    std::fflush(stdout);
}

// Counts the change events of one open /api/events stream.
class EventStream {
public:
    explicit EventStream(int port)
        : thread_([this, port] {
              httplib::Client client("127.0.0.1", port);
              client.Get("/api/events", [this](const char* data, std::size_t length) {
                  std::lock_guard lock(mutex_);
                  if (std::string_view(data, length).find("event: change") != std::string_view::npos) {
                      ++changes_;
                      changed_.notify_all();
                  }
                  return !closing_;
              });
          }) {}
    ~EventStream() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        thread_.join();
    }
    // Waits (at most 5 s) for a change after the given count; returns the count now.
    long waitAfter(long seen) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return changes_ > seen; });
        return changes_;
    }

private:
    std::mutex mutex_;  //!< Guards changes_ and closing_.
    std::condition_variable changed_;
    long changes_ = 0;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace

int main() {
    constexpr int Passages = 300;
    const auto folder =
        std::filesystem::temp_directory_path() / ("bench-tracker-latency-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "broker");
    bench::Broker broker(folder / "broker");
    tracker::TrackerOptions options;
    link::parseLinkUrl("mqtt://127.0.0.1:" + std::to_string(broker.port()) + "/cr", options.broker);
    options.listenPort = 0;
    options.stateFolder = folder / "state";
    tracker::TrackerService service(options);
    if (const std::string error = service.start(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    tracker::BrokerClient unit(options.broker, "", nullptr);
    unit.start();
    EventStream events(service.port());
    httplib::Client page("127.0.0.1", service.port());
    std::vector<double> milliseconds;
    long seen = 0;
    std::int64_t lastSequence = 0;
    for (int id = 1; id <= Passages; ++id) {
        const nlohmann::json passage = {{"id", id},
                                        {"journal", "bench"},
                                        {"kind", "passage"},
                                        {"time", "2026-12-01T08:00:00Z"},
                                        {"latitude", -34.3796844},
                                        {"longitude", 146.2492523}};
        const auto published = Clock::now();
        unit.publish("U1/passage", passage.dump(), false);
        for (bool shown = false; !shown && Clock::now() - published < std::chrono::seconds(10);) {
            seen = events.waitAfter(seen);
            const auto response = page.Get(("/api/passages?since=" + std::to_string(lastSequence)).c_str());
            for (const auto& row : nlohmann::json::parse(response ? response->body : "[]", nullptr, false)) {
                lastSequence = std::max<std::int64_t>(lastSequence, row.value("sequence", 0));
                shown = shown || row.value("id", 0) == id;
            }
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - published).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + id % 37));  // not in step with the clock
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    summary("tracker publish to page p50", milliseconds[milliseconds.size() / 2], "ms");
    summary("tracker publish to page p99", milliseconds[milliseconds.size() * 99 / 100], "ms");
    summary("tracker publish to page max", milliseconds.back(), "ms");
    service.stop();
    std::filesystem::remove_all(folder);
    return 0;
}
