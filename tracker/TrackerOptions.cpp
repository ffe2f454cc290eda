#include "tracker/TrackerOptions.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

namespace quorvex::tracker {

namespace {

std::string parseListen(const std::string& text, TrackerOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return "--listen wants HOST:PORT, not \"" + text + "\"";
    }
    int port = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data() + colon + 1, end, port);
    if (error != std::errc() || at != end || port < 1 || port > 65535) {
        return "--listen has no port from 1 to 65535 in \"" + text + "\"";
    }
    options.listenHost = text.substr(0, colon);
    if (options.listenHost.size() > 2 && options.listenHost.front() == '[') {
        options.listenHost = options.listenHost.substr(1, options.listenHost.size() - 2);
    }
    options.listenPort = port;
    return "";
}

// The pig the --at or --speed belongs to: the last one launched.
std::string lastPig(TrackerOptions& options, const char* option, PigStart*& pig) {
    pig = options.runStart->pigs.empty() ? nullptr : &options.runStart->pigs.back();
    return pig != nullptr ? "" : std::string(option) + " follows the --launch of its pig";
}

std::string parseSpeed(const std::string& text, double& kilometresPerHour) {
    char* end = nullptr;
    kilometresPerHour = std::strtod(text.c_str(), &end);
    return end != text.c_str() + text.size() || text.empty() || !(kilometresPerHour > 0)
               ? "--speed wants km/h above 0, not \"" + text + "\""
               : "";
}

using Setter = std::function<std::string(const std::string&, TrackerOptions&)>;

const std::map<std::string, Setter>& valueOptions() {
    static const std::map<std::string, Setter> setters = {
        {"--broker", [](const std::string& v, TrackerOptions& o) { return link::parseLinkUrl(v, o.broker); }},
        {"--listen", parseListen},
        {"--state", [](const std::string& v, TrackerOptions& o) { return o.stateFolder = v, std::string(); }},
        {"--web", [](const std::string& v, TrackerOptions& o) { return o.webFolder = v, std::string(); }},
        {"--tls-cert",
         [](const std::string& v, TrackerOptions& o) { return o.tlsCertificate = v, std::string(); }},
        {"--tls-key", [](const std::string& v, TrackerOptions& o) { return o.tlsKey = v, std::string(); }},
        {"--tiles", [](const std::string& v, TrackerOptions& o) { return o.tileUrl = v, std::string(); }},
        {"--route",
         [](const std::string& v, TrackerOptions& o) { return o.runStart->routeFile = v, std::string(); }},
        {"--name",
         [](const std::string& v, TrackerOptions& o) { return o.runStart->name = v, std::string(); }},
        {"--launch",
         [](const std::string& v, TrackerOptions& o) {
             return o.runStart->pigs.push_back({v, "", 3.6}), std::string();
         }},
        {"--at",
         [](const std::string& v, TrackerOptions& o) {
             PigStart* pig = nullptr;
             std::string error = lastPig(o, "--at", pig);
             return error.empty() ? (pig->launchTime = v, error) : error;
         }},
        {"--speed",
         [](const std::string& v, TrackerOptions& o) {
             PigStart* pig = nullptr;
             std::string error = lastPig(o, "--speed", pig);
             return error.empty() ? parseSpeed(v, pig->plannedKilometresPerHour) : error;
         }},
        {"--unit", [](const std::string& v,
                      TrackerOptions& o) { return o.runStart->units.push_back(v), std::string(); }},
    };
    return setters;
}

bool isRunOption(const std::string& name) {
    return name == "--route" || name == "--name" || name == "--launch" || name == "--at" ||
           name == "--speed" || name == "--unit";
}

std::string checkOpen(TrackerOptions& options) {
    if (options.broker.host.empty()) {
        return "--broker mqtt[s]://[user@]host[:port]/prefix is needed";
    }
    if (const char* token = std::getenv(TokenVariable); token != nullptr) {
        options.token = token;
    }
    if (!isLoopback(options.listenHost) && !options.open) {
        return "--listen " + options.listenHost +
               " is beyond this machine: add --open (with a token and TLS)";
    }
    if (options.open && options.token.size() < 16) {
        return std::string("--open needs a token of 16 characters or more in ") + TokenVariable;
    }
    if (options.open && (options.tlsCertificate.empty() || options.tlsKey.empty())) {
        return "--open needs --tls-cert and --tls-key";
    }
    return "";
}

std::string checkRunStart(const TrackerOptions& options) {
    const auto& run = *options.runStart;
    if (run.routeFile.empty() || run.name.empty() || run.pigs.empty()) {
        return "run start needs --route FILE, --name NAME and --launch MARKER";
    }
    return options.broker.host.empty() ? "run start needs --broker" : "";
}

}  // namespace

std::filesystem::path defaultStateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return std::filesystem::path(state) / "quorvex-tracker";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/") / ".local/state/quorvex-tracker";
}

bool isLoopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

std::string parseTrackerOptions(const std::vector<std::string>& arguments, TrackerOptions& options) {
    std::size_t at = 0;
    if (arguments.size() >= 2 && arguments[0] == "run" && arguments[1] == "start") {
        options.runStart.emplace();
        at = 2;
    }
    for (; at < arguments.size(); ++at) {
        const std::string& name = arguments[at];
        if (name == "--open") {
            options.open = true;
            continue;
        }
        const auto setter = valueOptions().find(name);
        if (setter == valueOptions().end() || (isRunOption(name) && !options.runStart)) {
            return "unknown option \"" + name + "\" (see quorvex-tracker --help)";
        }
        if (++at == arguments.size()) {
            return name + " wants a value";
        }
        if (const std::string error = setter->second(arguments[at], options); !error.empty()) {
            return error;
        }
    }
    link::applyPasswordVariable(options.broker);
    if (options.stateFolder.empty()) {
        options.stateFolder = defaultStateFolder();
    }
    return options.runStart ? checkRunStart(options) : checkOpen(options);
}

}  // namespace quorvex::tracker
