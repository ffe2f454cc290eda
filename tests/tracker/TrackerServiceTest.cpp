#include "tests/tracker/TrackerTest.h"

#include "journal/SqliteConnection.h"

#include <fcntl.h>
#include <unistd.h>

namespace quorvex::tracker {
namespace {

using nlohmann::json;
using TrackerServiceTest = TrackerTest;

// The process's standard error sent to a file while this lives, so a test can read what was said.
class StderrToFile {
public:
    explicit StderrToFile(std::filesystem::path file) : file_(std::move(file)) {
        const int target = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(target, STDERR_FILENO);
        ::close(target);
    }
    ~StderrToFile() {
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StderrToFile(const StderrToFile&) = delete;
    StderrToFile& operator=(const StderrToFile&) = delete;
    std::string text() const { return readFile(file_); }

private:
    std::filesystem::path file_;
    int saved_ = ::dup(STDERR_FILENO);
};

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

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

TEST_F(TrackerServiceTest, PassagesArrivingWhileTheStateCannotBeWrittenAreStoredOnceItCanBe) {
    const auto state = folder_.path() / "state";
    auto tracker = startTracker(state);
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/passages").size() == 1; }));

    // Another writer holds the state file longer than the tracker waits for it.
    journal::SqliteConnection holder;
    ASSERT_EQ(SQLITE_OK, holder.open((state / "tracker.sqlite").string(), SQLITE_OPEN_READWRITE));
    ASSERT_EQ(SQLITE_OK, holder.execute("BEGIN EXCLUSIVE"));
    const StderrToFile said(folder_.path() / "stderr");
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));  // already stored
    for (int id = 2; id <= 6; ++id) {
        publish("U1/passage", passage("j1", id, Mlv03, "2026-12-01T12:0" + std::to_string(id) + ":00Z"));
    }
    // Not acknowledged: each new connection has them delivered again, and it is said once.
    const std::string connected = "as " + trackerClientId(state) + " ";
    const auto log = folder_.path() / "mosquitto.log";
    ASSERT_TRUE(eventually([&] { return occurrences(readFile(log), connected) >= 3; })) << said.text();
    EXPECT_EQ(1u, get(*tracker, "/api/passages").size());
    EXPECT_EQ(1u, occurrences(said.text(), "not acknowledged until they can be stored")) << said.text();
    EXPECT_NE(std::string::npos, said.text().find("database is locked")) << said.text();

    ASSERT_EQ(SQLITE_OK, holder.execute("COMMIT"));
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/passages").size() == 6; }))
        << get(*tracker, "/api/passages") << said.text();
    EXPECT_EQ(6, get(*tracker, "/api/units")[0]["events"]);
    ASSERT_TRUE(eventually([&] { return said.text().find("stored again") != std::string::npos; }));
    EXPECT_EQ(1u, occurrences(said.text(), "not acknowledged until they can be stored")) << said.text();
    int result = SQLITE_OK;
    EXPECT_EQ(6, holder.queryInteger("SELECT count(*) FROM events", result));
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
