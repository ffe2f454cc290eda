#include "journal/ExportText.h"
#include "tests/cli/ChildProcess.h"
#include "tests/helpers/mqtt/MqttSubscriber.h"
#include "tests/tracker/TrackerTest.h"
#include "tracker/RunStart.h"

#include <signal.h>

namespace quorvex::tracker {
namespace {

using TrackerAlarmsTest = TrackerTest;

TEST_F(TrackerAlarmsTest, AUnitLostDuringItsRunRaisesItsOwnAlarmUntilItReturns) {
    auto tracker = startTracker(folder_.path() / "state");
    ASSERT_EQ(200, post(*tracker, "/api/routes?file=line.geojson", readFile(QUORVEX_SAMPLE_ROUTE))->status);
    const std::string now = journal::isoUtc(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
    const json run = {{"name", "north"},   {"route", "line.geojson"}, {"launch", "MLV01"},
                      {"launchTime", now}, {"speedKmh", 7.2},         {"units", {"U7"}}};
    ASSERT_EQ(200, post(*tracker, "/api/runs", run.dump())->status);
    // A unit's client as the console runs it: its status retained, "offline" its last will.
    const auto connect = [&](const std::string& serial) {
        const std::string topic = "cr/" + serial + "/status";
        auto unit = std::make_unique<test::ChildProcess>(
            "/usr/bin/mosquitto_pub",
            std::vector<std::string>{"-V", "mqttv5", "-h", "127.0.0.1", "-p", std::to_string(broker_.port()),
                                     "-q", "1", "-r", "-t", topic, "-l", "--will-topic", topic,
                                     "--will-payload", "offline", "--will-retain", "--will-qos", "1"});
        unit->sendLine(R"({"connection":"connected","battery":80})");
        EXPECT_TRUE(eventually([&] {
            for (const json& known : get(*tracker, "/api/units")) {
                if (known["serial"] == serial && known["online"] == true) {
                    return true;
                }
            }
            return false;
        })) << serial;
        return unit;
    };
    const auto offlineAlarms = [&] {
        json list = json::array();
        const json north = get(*tracker, "/api/runs/north");
        for (const json& alarm : north["alarms"]) {
            if (alarm["kind"] == "offline") {
                list.push_back(alarm);
            }
        }
        return list;
    };
    test::MqttSubscriber alarmTopic(broker_.port(), "cr/run/north/alarm");  // what dashboards follow
    connect("U9")->signal(SIGKILL);                                         // not of this run: no alarm of it
    for (std::size_t episode = 0; episode < 2; ++episode) {
        connect("U7")->signal(SIGKILL);  // unclean: the broker sends its will
        ASSERT_TRUE(eventually([&] {
            const json list = offlineAlarms();
            return list.size() == episode + 1 && list.back()["state"] == "unacknowledged" &&
                   list.back()["unit"] == "U7";
        })) << offlineAlarms();
        EXPECT_TRUE(alarmTopic.waitFor([&](const std::vector<test::MqttMessage>& messages) {
            const json alarms =
                json::parse(messages.empty() ? "[]" : messages.back().payload, nullptr, false);
            return alarms.size() == episode + 1 && alarms.back()["state"] == "unacknowledged";
        }));
        if (episode == 0) {
            ASSERT_EQ(200,
                      post(*tracker, "/api/runs/north/units/U7/acknowledge", R"({"by":"Dana Ops"})")->status);
            ASSERT_TRUE(eventually([&] { return offlineAlarms().back()["acknowledgedBy"] == "Dana Ops"; }));
        }
        auto back = connect("U7");
        ASSERT_TRUE(eventually([&] {
            return offlineAlarms().back()["state"] == (episode == 0 ? "closed" : "cleared");
        })) << offlineAlarms();
    }
    EXPECT_EQ(2u, offlineAlarms().size());  // one per absence, the first kept as history
    EXPECT_EQ(400, post(*tracker, "/api/runs/north/units/U9/acknowledge", R"({"by":"Dana Ops"})")->status);
}

TEST_F(TrackerAlarmsTest, ATrainStartedByTheCommandTakesItsPassagesPigByPig) {
    auto tracker = startTracker(folder_.path() / "state");
    TrackerOptions options;
    ASSERT_EQ("--at follows the --launch of its pig",
              parseTrackerOptions({"run", "start", "--at", "2026-12-01T00:00:00Z"}, options));
    options = {};
    ASSERT_EQ("", parseTrackerOptions(
                      {"run", "start", "--broker", broker_.url("cr"), "--route", QUORVEX_SAMPLE_ROUTE,
                       "--name", "train", "--launch", "MLV01", "--at", "2026-12-01T00:00:00Z", "--speed",
                       "7.2", "--launch", "MLV01", "--at", "2026-12-01T02:00:00Z"},
                      options));
    ASSERT_EQ("", startRunOnBroker(options));
    ASSERT_TRUE(eventually([&] { return get(*tracker, "/api/runs/train")["state"]["pigs"].size() == 2; }));
    publish("U1/passage", passage("j1", 1, Mlv02, "2026-12-01T08:00:00Z"));
    publish("U1/passage", passage("j1", 2, Mlv02, "2026-12-01T10:00:00Z"));
    ASSERT_TRUE(eventually([&] {
        return markerOf(get(*tracker, "/api/runs/train"), "MLV02", 1)["state"] == "passed";
    })) << get(*tracker, "/api/runs/train")["state"];
    const json train = get(*tracker, "/api/runs/train");
    EXPECT_EQ("2026-12-01T08:00:00.000000Z", markerOf(train, "MLV02", 0)["passedAt"]);
    EXPECT_EQ("2026-12-01T10:00:00.000000Z", markerOf(train, "MLV02", 1)["passedAt"]);
    const json backwards = {{"name", "bad"},
                            {"route", "junee-griffith.geojson"},
                            {"pigs",
                             {{{"launch", "MLV01"}, {"launchTime", "2026-12-01T02:00:00Z"}},
                              {{"launch", "MLV01"}, {"launchTime", "2026-12-01T00:00:00Z"}}}}};
    EXPECT_EQ(400, post(*tracker, "/api/runs", backwards.dump())->status);  // launched out of order
}

}  // namespace
}  // namespace quorvex::tracker
