#include "journal/SqliteConnection.h"
#include "tests/cli/ChildProcess.h"
#include "tests/tracker/TrackerTest.h"

#include <signal.h>

#include <atomic>

namespace quorvex::tracker {
namespace {

using TrackerHostileTest = TrackerTest;

// A client publishing each line given at QoS 1, as fast as the broker takes them.
std::unique_ptr<test::ChildProcess> flood(int brokerPort, const std::string& topic,
                                          const std::function<std::string(int)>& line, int count) {
    auto publisher = std::make_unique<test::ChildProcess>(
        "/usr/bin/mosquitto_pub",
        std::vector<std::string>{"-V", "mqttv5", "-h", "127.0.0.1", "-p", std::to_string(brokerPort), "-q",
                                 "1", "-t", topic, "-l"});
    for (int at = 1; at <= count; ++at) {
        publisher->sendLine(line(at));
    }
    publisher->closeInput();
    return publisher;
}

TEST_F(TrackerHostileTest, ATrackerKilledDuringAFloodLosesNoPassageAndCountsNoneTwice) {
    constexpr int Published = 20'000;
    const int port = test::freePort();
    const auto start = [&] {
        return std::make_unique<test::ChildProcess>(
            QUORVEX_TRACKER_PROGRAM, std::vector<std::string>{"--broker", broker_.url("cr"), "--listen",
                                                              "127.0.0.1:" + std::to_string(port), "--state",
                                                              (folder_.path() / "state").string()});
    };
    // Counted in the file itself: cheap enough to ask often, and there when the tracker is not.
    const auto stored = [&] {
        journal::SqliteConnection file;
        int result = file.open((folder_.path() / "state/tracker.sqlite").string(), SQLITE_OPEN_READONLY);
        return file.queryInteger("SELECT count(*) FROM events", result).value_or(-1);
    };
    auto tracker = start();
    ASSERT_TRUE(eventually([&] { return get(port, "/api/config").is_object(); })) << tracker->transcript();
    auto publisher = flood(
        broker_.port(), "cr/U1/passage",
        [](int id) { return passage("j1", id, Mlv02, "2026-12-01T08:00:00Z"); }, Published);
    ASSERT_TRUE(eventually([&] { return stored() > 0; }));
    tracker->signal(SIGKILL);  // mid-flood: some stored and not yet acknowledged, most still coming
    ASSERT_TRUE(tracker->waitForExit());
    const auto storedWhenKilled = stored();
    RecordProperty("storedWhenKilled", std::to_string(storedWhenKilled));
    ASSERT_EQ(0, publisher->waitForExit()) << publisher->transcript();

    tracker = start();  // its session kept what came meanwhile
    ASSERT_TRUE(eventually([&] { return stored() >= Published; }))
        << stored() << " " << tracker->transcript();
    EXPECT_EQ(Published, stored()) << "killed with " << storedWhenKilled << " stored";
}

TEST_F(TrackerHostileTest, ABrokerRestartLosesNothing) {
    const auto state = folder_.path() / "state";
    auto tracker = startTracker(state);
    const auto stored = [&] { return get(*tracker, "/api/passages").size(); };
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));
    ASSERT_TRUE(eventually([&] { return stored() == 1; }));
    broker_.stop();
    broker_.start();
    publish("U1/passage", passage("j1", 2, Mlv02, "2026-12-01T08:01:00Z"));  // after its reconnection
    ASSERT_TRUE(eventually([&] { return stored() == 2; }));

    tracker->stop();
    publish("U1/passage", passage("j1", 3, Mlv02, "2026-12-01T08:02:00Z"));  // kept for its session...
    broker_.stop();
    broker_.start();  // ...through the broker's restart too
    tracker = startTracker(state);
    ASSERT_TRUE(eventually([&] { return stored() == 3; })) << get(*tracker, "/api/passages");
}

TEST_F(TrackerHostileTest, OnePublishersFloodIsRefusedWhileThePageIsServed) {
    constexpr int Flood = 20'000;
    auto tracker = startTracker(folder_.path() / "state");
    setUpRun(*tracker, "2026-12-01T00:00:00Z");
    auto publisher = flood(
        broker_.port(), "cr/U666/passage",
        [](int id) { return "{\"id\":" + std::to_string(id) + ",garbage"; }, Flood);
    // The page's calls are answered all along.
    while (!publisher->waitForExit(std::chrono::milliseconds(0))) {
        ASSERT_EQ(1u, get(*tracker, "/api/runs").size());
    }
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/config")["refused"] == Flood; }))
        << get(*tracker, "/api/config");
    EXPECT_TRUE(get(*tracker, "/api/passages").empty());
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));
    EXPECT_TRUE(eventually([&] { return get(*tracker, "/api/passages").size() == 1; }));
}

TEST_F(TrackerHostileTest, ARouteUploadOf500MegabytesIsRefusedUnreadWhileThePageIsServed) {
    constexpr std::size_t Huge = 500u * 1024 * 1024;
    auto tracker = startTracker(folder_.path() / "state");
    std::atomic<std::size_t> sent{0};
    std::optional<httplib::Result> result;
    std::thread upload([&] {
        httplib::Client client("127.0.0.1", tracker->port());
        client.set_write_timeout(120);
        client.set_read_timeout(120);
        // Made as it is sent, never held whole: a 64 KiB block of spaces over and over.
        const std::string block(64 * 1024, ' ');
        result.emplace(client.Post(
            "/api/routes?file=huge.geojson", Huge,
            [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::size_t size = std::min(length, block.size());
                sent = offset + size;
                return sink.write(block.data(), size);
            },
            "application/geo+json"));
    });
    ASSERT_TRUE(eventually([&] { return sent > 0; }));
    EXPECT_TRUE(get(*tracker, "/api/routes").is_array());  // served while the upload goes on
    upload.join();
    ASSERT_TRUE(*result) << httplib::to_string(result->error());
    EXPECT_EQ(413, (*result)->status);
    EXPECT_TRUE(json::parse((*result)->body, nullptr, false).contains("error")) << (*result)->body;
    EXPECT_TRUE(get(*tracker, "/api/routes").empty());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_.path() / "state")) {
        EXPECT_TRUE(entry.is_directory() || entry.file_size() < 1024u * 1024)
            << entry.path();  // nothing kept
    }
}

}  // namespace
}  // namespace quorvex::tracker
