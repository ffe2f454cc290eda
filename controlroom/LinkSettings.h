#pragma once

#include "controlroom/LinkUrl.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace quorvex::link {

struct LinkSettings {
    LinkUrl url;
    std::string caFile;    // for mqtts://; the system's authorities when empty
    std::string certFile;  // a client certificate and its key, when the broker asks for one
    std::string keyFile;
    std::string keyPassword;  // the key file's pass phrase, when it is encrypted
    std::string journalPath;  // the journal the rows come from and the marks go to
    std::string clientId;     // unique per laptop and process
    // Called on the link's thread with a message for the operator: once when a fault begins and
    // once when the link is up again. It must not block.
    std::function<void(const std::string&)> notify;
    // Capped so that a laptop is back within 15 s of its broker, connection included.
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds lastRetry{12000};
    // How long a connection must stay up before the back-off starts over.
    std::chrono::milliseconds stableAfter{30000};
    // How long the broker may stay silent while we wait for its answer before the link is dropped.
    std::chrono::milliseconds answerWithin{10000};
    std::chrono::milliseconds statusEvery{10000};  // the status is sent at most this often
    std::size_t inFlight = 32;                     // rows sent and not yet acknowledged
};

}  // namespace quorvex::link
