#include "tests/tracker/TrackerTest.h"

namespace quorvex::tracker {
namespace {

using nlohmann::json;
using TrackerServiceTest = TrackerTest;

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
