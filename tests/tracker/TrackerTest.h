#pragma once

#include "tests/helpers/TestData.h"
#include "tests/helpers/mqtt/MqttBroker.h"
#include "tracker/TrackerService.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace quorvex::tracker {

using nlohmann::json;
using test::MqttBroker;
using test::TemporaryFolder;

// MLV02 and MLV03 of the sample route, as a unit's GPS puts them.
inline constexpr double Mlv02[] = {-34.3796844, 146.2492523};
inline constexpr double Mlv03[] = {-34.4267387, 146.3831635};

inline std::string readFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// Polls until the condition holds, at most 20 s: the broker and the tracker work on their own threads.
inline bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline std::string passage(const std::string& journal, int id, const double* where, const std::string& time) {
    return json{{"id", id},
                {"journal", journal},
                {"kind", "passage"},
                {"time", time},
                {"latitude", where[0]},
                {"longitude", where[1]},
                {"channelName", "CH1"},
                {"sequence", id},
                {"historical", false}}
        .dump();
}

class TrackerTest : public ::testing::Test {
protected:
    std::unique_ptr<TrackerService> startTracker(const std::filesystem::path& state) {
        TrackerOptions options;
        EXPECT_EQ("", link::parseLinkUrl(broker_.url("cr"), options.broker));
        options.listenPort = 0;
        options.stateFolder = state;
        auto service = std::make_unique<TrackerService>(options);
        EXPECT_EQ("", service->start());
        return service;
    }

    void publish(const std::string& topic, const std::string& payload) {
        const auto file = folder_.path() / "payload";
        std::ofstream(file, std::ios::binary) << payload;
        test::runShell("mosquitto_pub -V mqttv5 -q 1 -h 127.0.0.1 -p " + std::to_string(broker_.port()) +
                       " -t 'cr/" + topic + "' -f " + file.string());
    }

    static json get(TrackerService& service, const std::string& path) { return get(service.port(), path); }

    static json get(int port, const std::string& path) {
        httplib::Client client("127.0.0.1", port);
        const auto response = client.Get(path.c_str());
        return response && response->status == 200 ? json::parse(response->body) : json();
    }

    static httplib::Result post(TrackerService& service, const std::string& path, const std::string& body) {
        httplib::Client client("127.0.0.1", service.port());
        return client.Post(path.c_str(), body, "application/octet-stream");
    }

    static void setUpRun(TrackerService& service, const std::string& launchTime) {
        ASSERT_EQ(200,
                  post(service, "/api/routes?file=line.geojson", readFile(QUORVEX_SAMPLE_ROUTE))->status);
        const json run = {{"name", "north"},
                          {"route", "line.geojson"},
                          {"launch", "MLV01"},
                          {"launchTime", launchTime},
                          {"speedKmh", 7.2}};
        ASSERT_EQ(200, post(service, "/api/runs", run.dump())->status);
    }

    static json markerOf(json run, const std::string& name, std::size_t pig = 0) {
        for (const json& marker : run["state"]["pigs"][pig]["markers"]) {
            if (marker["name"] == name) {
                return marker;
            }
        }
        return json();
    }

    TemporaryFolder folder_;
    // Room for a flood queued while the tracker is away (mosquitto keeps 1,000 by default).
    MqttBroker broker_{folder_.path(), "allow_anonymous true\nmax_queued_messages 100000\n"};
};

}  // namespace quorvex::tracker
