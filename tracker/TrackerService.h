#pragma once

#include "tracker/BrokerClient.h"
#include "tracker/Tracker.h"
#include "tracker/TrackerOptions.h"
#include "tracker/WebServer.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quorvex::tracker {

// The tracker as a service: its state, the broker's messages into it, the clock's evaluation
// once a second, and the web server. Stopping finishes the message in hand and the requests
// being answered, then closes the state.
class TrackerService {
public:
    explicit TrackerService(TrackerOptions options);
    ~TrackerService();
    TrackerService(const TrackerService&) = delete;
    TrackerService& operator=(const TrackerService&) = delete;

    // "" once it listens, or one line saying why it cannot run.
    std::string start();
    void stop();
    int port() const { return web_ ? web_->port() : 0; }
    Tracker& tracker() { return tracker_; }

private:
    // Whether the messages are stored (then the broker may forget them).
    bool deliver(std::span<const BrokerMessage> messages);
    // Says once when storing starts to fail, and once when it works again.
    void reportStoring(const std::string& failure);
    void reportRefusal(std::string_view topic, const std::string& refusal);
    void evaluateEverySecond();

    TrackerOptions options_;
    Tracker tracker_;
    std::unique_ptr<BrokerClient> broker_;
    std::unique_ptr<WebServer> web_;
    std::thread clock_;
    std::mutex clockMutex_;              //!< Guards stopping_.
    std::condition_variable clockWake_;  // signals stopping_
    bool stopping_ = false;
    // The broker thread's count of refusals told in the current second, and of those left untold.
    static constexpr int MaxRefusalLinesPerSecond = 10;
    std::chrono::steady_clock::time_point refusalSecond_;
    int refusalsTold_ = 0;
    long long refusalsUntold_ = 0;
    bool storeFailing_ = false;  // the broker thread's: the last batch could not be stored
};

// A client id the broker keeps this tracker's session under: this machine and its state folder,
// so a restart finds its session and a second tracker has its own.
std::string trackerClientId(const std::filesystem::path& stateFolder);

}  // namespace quorvex::tracker
