#pragma once

#include "controlroom/LinkUrl.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::tracker {

// The environment variable holding the page's token (bearer, or the password of basic
// authentication), so that it never stands on a command line.
inline constexpr const char* TokenVariable = "QUORVEX_TRACKER_TOKEN";

// One pig of a run started from the command line: each --launch begins one, its --at and --speed follow.
struct PigStart {
    std::string launchMarker;
    std::string launchTime;  // ISO UTC; "" is now
    double plannedKilometresPerHour = 3.6;
};

// A run to start from the command line: `run start --route FILE --name NAME --launch MARKER ...`,
// with --launch repeated for a train of pigs (in launch order).
struct RunStartCommand {
    std::filesystem::path routeFile;
    std::string name;
    std::vector<PigStart> pigs;
    std::vector<std::string> units;  // serials tied to the run; none: any unit on the route
};

// What quorvex-tracker was asked to do.
struct TrackerOptions {
    link::LinkUrl broker;
    std::string listenHost = "127.0.0.1";
    int listenPort = 8470;
    std::filesystem::path stateFolder;
    std::filesystem::path webFolder;
    bool open = false;  // may listen beyond this machine (then with a token and TLS)
    std::string token;
    std::filesystem::path tlsCertificate;
    std::filesystem::path tlsKey;
    std::string tileUrl;  // map tiles for the page; none: the route on a plain background
    std::optional<RunStartCommand> runStart;
};

// Reads the command line (argv without the program's name); returns one line for a person, or "".
std::string parseTrackerOptions(const std::vector<std::string>& arguments, TrackerOptions& options);

// The state folder when none is given: $XDG_STATE_HOME/quorvex-tracker (~/.local/state/...).
std::filesystem::path defaultStateFolder();

// Whether a listen host is this machine only.
bool isLoopback(const std::string& host);

}  // namespace quorvex::tracker
