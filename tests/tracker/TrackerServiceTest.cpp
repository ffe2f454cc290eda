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
namespace {

using nlohmann::json;
using test::MqttBroker;
using test::TemporaryFolder;

// MLV02 and MLV03 of the sample route, as a unit's GPS puts them.
constexpr double Mlv02[] = {-34.3796844, 146.2492523};
constexpr double Mlv03[] = {-34.4267387, 146.3831635};

std::string readFile(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// Polls until the condition holds, at most 20 s: the broker and the tracker work on their own threads.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string passage(const std::string& journal, int id, const double* where, const std::string& time) {
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

class TrackerServiceTest : public ::testing::Test {
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

    static json get(TrackerService& service, const std::string& path) {
        httplib::Client client("127.0.0.1", service.port());
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

    static json markerOf(json run, const std::string& name) {
        for (const json& marker : run["state"]["pigs"][0]["markers"]) {
            if (marker["name"] == name) {
                return marker;
            }
        }
        return json();
    }

    TemporaryFolder folder_;
    MqttBroker broker_{folder_.path()};
};

TEST_F(TrackerServiceTest, PassagesReachTheApiOnceEachAndSurviveARestart) {
    auto tracker = startTracker(folder_.path() / "state");
    setUpRun(*tracker, "2026-12-01T00:00:00Z");
    publish("U1/status", R"({"connection":"connected","battery":87,"gps":{"quality":1}})");
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));  // delivered again
    publish("U2/passage", passage("j2", 1, Mlv03, "2026-12-01T12:00:00Z"));  // another journal's row 1
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/passages").size() == 2; }))
        << get(*tracker, "/api/passages");
    ASSERT_TRUE(eventually([&] {
        return markerOf(get(*tracker, "/api/runs/north"), "MLV03")["state"] == "passed";
    })) << get(*tracker, "/api/runs/north")["state"];
    const json before = get(*tracker, "/api/runs/north");
    EXPECT_EQ("passed", markerOf(before, "MLV02")["state"]);
    EXPECT_EQ("2026-12-01T12:00:00.000000Z", markerOf(before, "MLV03")["passedAt"]);
    EXPECT_TRUE(markerOf(before, "MLV04")["eta"].is_string());
    const json units = get(*tracker, "/api/units");
    ASSERT_EQ(2u, units.size());
    EXPECT_EQ(87, units[0]["battery"]);

    tracker->stop();
    tracker = startTracker(folder_.path() / "state");
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/runs/north")["state"]["pigs"].size() == 1; }));
    const json after = get(*tracker, "/api/runs/north");
    EXPECT_EQ(before["state"]["passages"], after["state"]["passages"]);
    EXPECT_EQ(2u, get(*tracker, "/api/passages").size());
    EXPECT_EQ(1u, get(*tracker, "/api/passages?since=1").size());
}

TEST_F(TrackerServiceTest, ASecondTrackerTakesTheRunAndTheAcknowledgementFromTheBroker) {
    auto first = startTracker(folder_.path() / "first");
    auto second = startTracker(folder_.path() / "second");
    setUpRun(*first, "2026-01-01T00:00:00Z");  // long ago: the next marker is overdue at once
    const auto overdue = [](const json& run) {
        return run.is_object() && !run["alarms"].empty() && run["alarms"][0]["kind"] == "overdue";
    };
    ASSERT_TRUE(eventually([&] { return overdue(get(*second, "/api/runs/north")); }));
    ASSERT_TRUE(eventually([&] { return overdue(get(*first, "/api/runs/north")); }));
    const int marker = get(*first, "/api/runs/north")["alarms"][0]["marker"];
    const std::string path = "/api/runs/north/alarms/" + std::to_string(marker) + "/acknowledge";
    ASSERT_EQ(200, post(*first, path, R"({"by":"Dana Ops"})")->status);
    ASSERT_TRUE(eventually([&] {
        const json alarm = get(*second, "/api/runs/north")["alarms"][0];
        return alarm["state"] == "acknowledged" && alarm["acknowledgedBy"] == "Dana Ops";
    })) << get(*second, "/api/runs/north")["alarms"];
    EXPECT_EQ(1u, get(*second, "/api/runs/north")["alarms"].size());  // one per marker, never a flood
}

TEST_F(TrackerServiceTest, HostileInputIsRefusedAndTheTrackerKeepsServing) {
    auto tracker = startTracker(folder_.path() / "state");
    setUpRun(*tracker, "2026-12-01T00:00:00Z");
    publish("U1/passage", "{not json");
    publish("U1/passage", R"({"id":"seven","kind":"passage"})");
    publish("U1/passage", std::string(200 * 1024, '['));
    publish("U1/ignored", passage("j1", 5, Mlv02, "2026-12-01T08:00:00Z"));  // its kind is not its topic's
    publish("tracker/route/..%2Fescape.geojson", "{}");
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/config")["refused"] >= 4; }));
    EXPECT_TRUE(get(*tracker, "/api/passages").empty());

    const struct {
        const char* path;
        std::string body;
        int status;
    } requests[] = {
        {"/api/routes?file=../../etc/x.geojson", readFile(QUORVEX_SAMPLE_ROUTE), 400},
        {"/api/routes?file=notes.txt", "hello", 400},
        {"/api/routes?file=empty.geojson", "{\"type\":\"FeatureCollection\",\"features\":[]}", 400},
        {"/api/runs", "]]garbage", 400},
        {"/api/runs",
         R"({"name":"../up","route":"line.geojson","launch":"MLV01","launchTime":"2026-12-01T00:00:00Z"})",
         400},
        {"/api/runs",
         R"({"name":"x","route":"line.geojson","launch":"NOPE","launchTime":"2026-12-01T00:00:00Z"})", 400},
        {"/api/runs/north/alarms/3/acknowledge", R"({"by":""})", 400},
        {"/api/routes?file=huge.geojson", std::string(MaxRouteBytes + 1, ' '), 413},
    };
    for (const auto& request : requests) {
        const auto response = post(*tracker, request.path, request.body);
        ASSERT_TRUE(response) << request.path;
        EXPECT_EQ(request.status, response->status) << request.path << " " << response->body;
        EXPECT_TRUE(json::parse(response->body, nullptr, false).contains("error")) << request.path;
    }
    EXPECT_EQ(1u, get(*tracker, "/api/runs").size());
    EXPECT_EQ(1u, get(*tracker, "/api/routes").size());
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "etc"));
    httplib::Client client("127.0.0.1", tracker->port());
    EXPECT_EQ(404, client.Get("/../../../etc/passwd")->status);
    EXPECT_EQ(200, client.Get("/leaflet/leaflet.js")->status);
    EXPECT_EQ(200, client.Get("/")->status);
}

}  // namespace
}  // namespace quorvex::tracker
