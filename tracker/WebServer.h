#pragma once

#include "tracker/Tracker.h"
#include "tracker/TrackerOptions.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace quorvex::tracker {

// The page, its JSON API and the Server-Sent Events that keep it live, on one port. With a token,
// every request must carry it (as a bearer or as basic authentication's password).
class WebServer {
public:
    WebServer(Tracker& tracker, const TrackerOptions& options);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds the port and serves on a thread of its own; "" or why not.
    std::string start();
    // Ends the event streams and waits for requests in hand.
    void stop();
    int port() const { return port_; }

private:
    void addReads();
    void addWrites();
    void addEvents();
    bool authorised(const std::string& header) const;

    Tracker& tracker_;
    const TrackerOptions& options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int port_ = 0;
};

}  // namespace quorvex::tracker
