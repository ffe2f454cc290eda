// The control-room link: the time from a passage's arrival (handed to the journal) to its
// arrival at a subscriber of a local mosquitto (p50, p99), the CPU the publisher adds at one
// passage a second and at 150 streaming frames a second (each frame updates the unit's status,
// which the link sends only on change), and store-and-forward: 10,000 rows written while the
// broker was away, from its return to the last row at a subscriber, in order, none missing.
// Prints SUMMARY|name|figure|unit lines.
#include "bench/BenchBroker.h"
#include "controlroom/Publisher.h"
#include "journal/Journal.h"
#include "journal/JournalFeed.h"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvex;
using bench::Broker;
using Clock = std::chrono::steady_clock;

void summary(const std::string& name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name.c_str(), figure, unit);
    std::fflush(stdout);
}

double processCpuMilliseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

journal::EventRow passage(int index) {
    journal::EventRow row;
    row.unitTime = journal::journalNow();
    row.received = *row.unitTime;
    row.channel = 1 + index % 7;
    row.latitude = 51.5 + index * 1e-6;
    row.longitude = -0.125;
    row.folder = "Folder 1";
    return row;
}

std::unique_ptr<link::Publisher> publisher(const std::string& journalPath, int port,
                                           const std::string& clientId = "bench") {
    link::LinkSettings settings;
    link::parseLinkUrl("mqtt://127.0.0.1:" + std::to_string(port) + "/quorvex", settings.url);
    settings.journalPath = journalPath;
    settings.clientId = clientId + "-" + std::to_string(::getpid());
    return std::make_unique<link::Publisher>(std::move(settings));
}

// The arrival time of each passage id at a subscriber.
struct Arrivals {
    std::mutex mutex;  //!< Guards times.
    std::map<long, Clock::time_point> times;
};

void latency(const std::filesystem::path& folder, int port, int passages) {
    journal::JournalSettings settings;
    settings.path = (folder / "latency.sqlite3").string();
    journal::Journal journal(settings);
    const auto session = journal.beginSession({journal::journalNow(), "/dev/pts/0"});
    journal.describeUnit(session, {"M450", "123456", "1.0"});
    journal.waitUntilWritten(std::chrono::seconds(10));
    Arrivals arrivals;
    mosquitto_lib_init();
    mosquitto* subscriber = mosquitto_new(nullptr, true, &arrivals);
    mosquitto_message_callback_set(subscriber, [](mosquitto*, void* data, const mosquitto_message* message) {
        const std::string payload(static_cast<const char*>(message->payload), message->payloadlen);
        auto& into = *static_cast<Arrivals*>(data);
        const std::lock_guard lock(into.mutex);
        into.times.emplace(std::stol(payload.substr(6)), Clock::now());
    });
    mosquitto_connect(subscriber, "127.0.0.1", port, 30);
    mosquitto_subscribe(subscriber, nullptr, "quorvex/+/passage", 1);
    mosquitto_loop_start(subscriber);
    auto link = publisher(settings.path, port);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::vector<Clock::time_point> sent;
    for (int i = 0; i < passages; ++i) {
        sent.push_back(Clock::now());
        journal.addEvent(session, passage(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<double> milliseconds;
    {
        const std::lock_guard lock(arrivals.mutex);
        for (const auto& [id, at] : arrivals.times) {
            if (id >= 1 && id <= passages) {
                milliseconds.push_back(std::chrono::duration<double, std::milli>(at - sent[id - 1]).count());
            }
        }
    }
    mosquitto_disconnect(subscriber);
    mosquitto_loop_stop(subscriber, false);
    mosquitto_destroy(subscriber);
    std::sort(milliseconds.begin(), milliseconds.end());
    summary("link passages arrived of " + std::to_string(passages), static_cast<double>(milliseconds.size()),
            "rows");
    if (!milliseconds.empty()) {
        summary("link arrival to subscriber p50", milliseconds[milliseconds.size() / 2], "ms");
        summary("link arrival to subscriber p99", milliseconds[milliseconds.size() * 99 / 100], "ms");
    }
}

// Process CPU per second of a run doing `tick` at the rate, with and without the publisher.
void cpu(const std::string& name, const std::filesystem::path& folder, int port, int perSecond, int seconds,
         const std::function<void(journal::Journal&, journal::SessionToken, link::Publisher*, int)>& tick) {
    double perRun[2] = {};
    for (int withLink = 0; withLink < 2; ++withLink) {
        journal::JournalSettings settings;
        settings.path =
            (folder / ("cpu-" + std::to_string(perSecond) + "-" + std::to_string(withLink) + ".sqlite3"))
                .string();
        journal::Journal journal(settings);
        const auto session = journal.beginSession({journal::journalNow(), "/dev/pts/0"});
        journal.describeUnit(session, {"M450", "123456", "1.0"});
        journal.waitUntilWritten(std::chrono::seconds(10));
        auto link = withLink != 0 ? publisher(settings.path, port) : nullptr;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double start = processCpuMilliseconds();
        const auto begin = Clock::now();
        for (int i = 0; i < perSecond * seconds; ++i) {
            tick(journal, session, link.get(), i);
            std::this_thread::sleep_until(begin + std::chrono::microseconds(1000000LL * (i + 1) / perSecond));
        }
        perRun[withLink] = (processCpuMilliseconds() - start) / seconds;
    }
    summary(name + " without the link", perRun[0], "ms CPU/s");
    summary(name + " with the link", perRun[1], "ms CPU/s");
}

// The ids in order of arrival at a subscriber whose session the broker keeps.
struct Received {
    std::mutex mutex;  //!< Guards ids and last.
    std::vector<long> ids;
    Clock::time_point first;
    Clock::time_point last;
};

mosquitto* keptSubscriber(int port, Received& received) {
    mosquitto* subscriber = mosquitto_new("bench-drain-subscriber", false, &received);
    mosquitto_message_callback_set(subscriber, [](mosquitto*, void* data, const mosquitto_message* message) {
        const std::string payload(static_cast<const char*>(message->payload), message->payloadlen);
        auto& into = *static_cast<Received*>(data);
        const std::lock_guard lock(into.mutex);
        into.last = Clock::now();
        if (into.ids.empty()) {
            into.first = into.last;
        }
        into.ids.push_back(std::stol(payload.substr(6)));
    });
    mosquitto_connect(subscriber, "127.0.0.1", port, 30);
    mosquitto_subscribe(subscriber, nullptr, "quorvex/+/passage", 1);
    mosquitto_loop_start(subscriber);
    return subscriber;
}

// Rows written while the broker is away go out in order once it is back.
void drain(const std::filesystem::path& folder, int rows) {
    const auto brokerFolder = folder / "drain";
    std::filesystem::create_directories(brokerFolder);
    auto broker = std::make_unique<Broker>(brokerFolder);
    const int port = broker->port();
    Received received;
    mosquitto* subscriber = keptSubscriber(port, received);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    broker.reset();

    journal::JournalSettings settings;
    settings.path = (folder / "drain.sqlite3").string();
    journal::Journal journal(settings);
    const auto session = journal.beginSession({journal::journalNow(), "/dev/pts/0"});
    journal.describeUnit(session, {"M450", "123456", "1.0"});
    auto link = publisher(settings.path, port, "bench-drain");
    for (int i = 0; i < rows; ++i) {
        journal.addEvent(session, passage(i));
    }
    journal.waitUntilWritten(std::chrono::seconds(120));
    while (link->status().waiting < static_cast<std::size_t>(rows)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::seconds(20));  // an outage long enough for the back-off's cap

    const auto back = Clock::now();
    broker = std::make_unique<Broker>(brokerFolder, port);
    const auto until = back + std::chrono::seconds(120);
    while (Clock::now() < until) {
        {
            const std::lock_guard lock(received.mutex);
            if (received.ids.size() >= static_cast<std::size_t>(rows)) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto emptied = Clock::now();
    while (link->status().waiting > 0 && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::lock_guard lock(received.mutex);
    bool inOrder = true;
    for (std::size_t i = 1; i < received.ids.size(); ++i) {
        inOrder = inOrder && received.ids[i] > received.ids[i - 1];
    }
    std::vector<long> distinct = received.ids;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    summary("drain rows waiting", rows, "rows");
    summary("drain rows at the subscriber (distinct)", static_cast<double>(distinct.size()), "rows");
    summary("drain rows missing", static_cast<double>(rows) - static_cast<double>(distinct.size()), "rows");
    summary("drain duplicates", static_cast<double>(received.ids.size() - distinct.size()), "rows");
    summary("drain in order", inOrder ? 1 : 0, "bool");
    if (!received.ids.empty()) {
        using Seconds = std::chrono::duration<double>;
        summary("drain broker back to first row", Seconds(received.first - back).count(), "s");
        summary("drain first row to last row", Seconds(received.last - received.first).count(), "s");
        summary("drain broker back to last row", Seconds(received.last - back).count(), "s");
        summary("drain broker back to all marked", Seconds(emptied - back).count(), "s");
    }
    link.reset();
    mosquitto_disconnect(subscriber);
    mosquitto_loop_stop(subscriber, false);
    mosquitto_destroy(subscriber);
}

}  // namespace

// "drain" as the argument runs the store-and-forward part alone.
int main(int argc, char** argv) {
    const bool drainOnly = argc > 1 && std::string(argv[1]) == "drain";
    const auto folder = std::filesystem::temp_directory_path() / ("bench-link-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    mosquitto_lib_init();
    drain(folder, 10000);
    if (!drainOnly) {
        Broker broker(folder);
        latency(folder, broker.port(), 400);
        cpu("link at 1 passage/s", folder, broker.port(), 1, 30,
            [](auto& journal, auto session, auto*, int i) { journal.addEvent(session, passage(i)); });
        cpu("link at 150 frames/s", folder, broker.port(), 150, 30,
            [](auto&, auto, link::Publisher* link, int i) {
                if (link != nullptr) {
                    link->setUnit({"123456", "connected", "M450", "1.0", 80.0 - i / 1500, 2, 51.5, -0.125});
                }
            });
    }
    std::filesystem::remove_all(folder);
    return 0;
}
