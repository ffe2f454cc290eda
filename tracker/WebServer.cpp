#include "tracker/WebServer.h"

#include <httplib.h>

#include <charconv>

namespace quorvex::tracker {

using nlohmann::json;

namespace {

constexpr const char* LeafletFolder = "/usr/share/javascript/leaflet";

void sendJson(httplib::Response& response, const json& body, int status = 200) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

void sendError(httplib::Response& response, int status, const std::string& error) {
    sendJson(response, {{"error", error}}, status);
}

void sendOutcome(httplib::Response& response, const std::string& error) {
    if (error.empty()) {
        sendJson(response, {{"ok", true}});
    } else {
        sendError(response, 400, error);
    }
}

std::optional<std::int64_t> integerOf(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? std::optional(value) : std::nullopt;
}

std::unique_ptr<httplib::Server> makeServer(const TrackerOptions& options) {
    if (options.tlsCertificate.empty()) {
        return std::make_unique<httplib::Server>();
    }
    return std::make_unique<httplib::SSLServer>(options.tlsCertificate.c_str(), options.tlsKey.c_str());
}

std::string decodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const auto at = alphabet.find(c);
        if (at == std::string::npos) {
            break;
        }
        bits = (bits << 6) | static_cast<unsigned>(at);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

}  // namespace

WebServer::WebServer(Tracker& tracker, const TrackerOptions& options)
    : tracker_(tracker), options_(options), server_(makeServer(options)) {}

WebServer::~WebServer() {
    stop();
}

bool WebServer::authorised(const std::string& header) const {
    if (options_.token.empty()) {
        return true;
    }
    if (header == "Bearer " + options_.token) {
        return true;
    }
    if (!header.starts_with("Basic ")) {
        return false;
    }
    const std::string pair = decodeBase64(header.substr(6));
    const auto colon = pair.find(':');
    return colon != std::string::npos && pair.substr(colon + 1) == options_.token;
}

std::string WebServer::start() {
    if (!server_->is_valid()) {
        return "the TLS certificate " + options_.tlsCertificate.string() + " or key " +
               options_.tlsKey.string() + " cannot be used";
    }
    server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
    server_->set_payload_max_length(MaxRouteBytes);
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Cache-Control", "no-store");
        if (authorised(request.get_header_value("Authorization"))) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        response.set_header("WWW-Authenticate", "Basic realm=\"quorvex-tracker\"");
        sendError(response, 401, "this tracker wants its token");
        return httplib::Server::HandlerResponse::Handled;
    });
    server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            sendError(response, response.status,
                      response.status == 413 ? "the request is too big" : "no such page or call");
        }
    });
    server_->set_mount_point("/", options_.webFolder.string());
    server_->set_mount_point("/leaflet", LeafletFolder);
    addReads();
    addWrites();
    addEvents();
    port_ =
        options_.listenPort == 0
            ? server_->bind_to_any_port(options_.listenHost)
            : (server_->bind_to_port(options_.listenHost, options_.listenPort) ? options_.listenPort : -1);
    if (port_ <= 0) {
        return "cannot listen on " + options_.listenHost + ":" + std::to_string(options_.listenPort);
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return "";
}

void WebServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

void WebServer::addReads() {
    server_->Get("/api/units", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, tracker_.unitsJson());
    });
    server_->Get("/api/runs", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, tracker_.runsJson());
    });
    server_->Get("/api/routes", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, tracker_.routesJson());
    });
    server_->Get("/api/config", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, {{"tiles", options_.tileUrl}, {"refused", tracker_.refused()}});
    });
    server_->Get(R"(/api/runs/([^/]+))",
                 [this](const httplib::Request& request, httplib::Response& response) {
                     const json run = tracker_.runJson(request.matches[1]);
                     if (run.is_null()) {
                         sendError(response, 404, "no such run");
                     } else {
                         sendJson(response, run);
                     }
                 });
    server_->Get("/api/passages", [this](const httplib::Request& request, httplib::Response& response) {
        const auto since = integerOf(request.has_param("since") ? request.get_param_value("since") : "0");
        if (!since) {
            sendError(response, 400, "since is the sequence number of the last passage seen");
        } else {
            sendJson(response, tracker_.passagesJson(*since));
        }
    });
}

void WebServer::addWrites() {
    server_->Post("/api/routes", [this](const httplib::Request& request, httplib::Response& response) {
        sendOutcome(response, tracker_.addRoute(request.get_param_value("file"), request.body));
    });
    server_->Post("/api/runs", [this](const httplib::Request& request, httplib::Response& response) {
        const json definition = json::parse(request.body, nullptr, false);
        sendOutcome(response,
                    definition.is_object() ? tracker_.startRun(definition) : "a run is a JSON object");
    });
    // A marker's alarm by the marker's index, a unit's ("offline") by the unit's serial.
    const auto acknowledge = [this](bool aboutUnit) {
        return [this, aboutUnit](const httplib::Request& request, httplib::Response& response) {
            const json body = json::parse(request.body, nullptr, false);
            const json by = body.is_object() ? body.value("by", json()) : json();
            const AlarmSubject subject = aboutUnit ? AlarmSubject{-1, request.matches[2]}
                                                   : AlarmSubject{*integerOf(request.matches[2]), ""};
            sendOutcome(response, tracker_.acknowledge(request.matches[1], subject,
                                                       by.is_string() ? by.get<std::string>() : ""));
        };
    };
    server_->Post(R"(/api/runs/([^/]+)/alarms/(\d{1,9})/acknowledge)", acknowledge(false));
    server_->Post(R"(/api/runs/([^/]+)/units/([^/]+)/acknowledge)", acknowledge(true));
}

void WebServer::addEvents() {
    server_->Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, version = std::uint64_t{0}](std::size_t, httplib::DataSink& sink) mutable {
                if (stopping_) {
                    return false;
                }
                const std::uint64_t now = tracker_.waitForChange(version, std::chrono::seconds(1));
                const std::string event = now != version
                                              ? "event: change\ndata: " + std::to_string(now) + "\n\n"
                                              : ": still here\n\n";
                version = now;
                return sink.write(event.data(), event.size());
            });
    });
}

}  // namespace quorvex::tracker
