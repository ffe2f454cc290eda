// The control-room link: the time from a passage's arrival (handed to the journal) to its
// arrival at a subscriber of a local mosquitto (p50, p99), and the CPU the publisher adds at one
// passage a second and at 150 streaming frames a second (each frame updates the unit's status,
// which the link sends only on change). Prints SUMMARY|name|figure|unit lines.
#include "journal/Journal.h"
#include "journal/JournalFeed.h"
#include "controlroom/Publisher.h"

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
using Clock = std::chrono::steady_clock;

void summary(const std::string& name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name.c_str(), figure, unit);
    std::fflush(stdout);
}

int freePort() {
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

// mosquitto as a child process, for the run's length.
class Broker {
public:
    Broker(const std::filesystem::path& folder) : port_(freePort()) {
        const auto config = folder / "mosquitto.conf";
        std::ofstream(config) << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\nuser root\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::freopen("/dev/null", "w", stderr);
            ::execl("/usr/sbin/mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ~Broker() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    int port() const { return port_; }

private:
    int port_;
    int pid_;
};

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

std::unique_ptr<link::Publisher> publisher(const std::string& journalPath, int port) {
    link::LinkSettings settings;
    link::parseLinkUrl("mqtt://127.0.0.1:" + std::to_string(port) + "/quorvex", settings.url);
    settings.journalPath = journalPath;
    settings.clientId = "bench-" + std::to_string(::getpid());
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

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / ("bench-link-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
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
