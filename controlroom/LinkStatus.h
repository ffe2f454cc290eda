#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::link {

enum class LinkState {
    Off,         // no broker configured
    Connecting,  // a connection is being made, not yet accepted
    Online,      // the broker accepted us: rows go out as they come
    Offline,     // no connection now: rows wait for the next attempt
};

struct LinkStatus {
    LinkState state = LinkState::Off;
    std::size_t waiting = 0;                   // journal rows not yet acknowledged by the broker
    std::optional<std::int64_t> waitingSince;  // the oldest waiting row's arrival, µs since 1970 UTC
    std::size_t parked = 0;       // of those, rows the broker or the library refused since the start
    std::uint64_t delivered = 0;  // rows acknowledged since the start
    std::uint64_t attempts = 0;   // connections tried since the start
    std::string broker;           // without the password
    std::string lastError;        // "" while nothing went wrong

    // The ids of the rows refused (parked), in order.
    std::vector<std::int64_t> parkedRows;
};

}  // namespace quorvex::link
