// A unit standing at a marker of a real route: when the pig of a run passes it, and where its
// GPS puts it.
#include "device/EventBlockDecoder.h"
#include "simulator/SimulatorOptions.h"
#include "tests/helpers/TestData.h"
#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;
using SystemTime = std::chrono::system_clock::time_point;

const std::string route = quorvex::test::testDataPath("routes/junee-griffith.geojson").string();
// 2026-12-08T15:00:00Z
const SystemTime launchTime = std::chrono::sys_days(std::chrono::December / 8 / 2026) + 15h;

RouteStand stand(const std::string& marker, const std::string& launch, double speed) {
    RouteStand s;
    s.route = route;
    s.marker = marker;
    EXPECT_TRUE(readLaunch(launch, s)) << launch;
    s.metresPerSecond = speed;
    return s;
}

TEST(RouteStand, ThePigPassesAfterTheWayFromItsLaunchAtItsSpeedGiveOrTakeAFewPerCent) {
    // MLV03 is 31,270.52 m from MLV01 along the line; MLV10 is 19,546.75 m before MLV12, which a
    // pig launched at Junee (MLV12) reaches running against the line's direction.
    const struct {
        std::string marker, launch;
        double metres, lat, lon;
    } cases[] = {{"MLV03", "MLV01@2026-12-08T15:00:00Z", 31'270.52, -34.4267387, 146.3831635},
                 {"MLV10", "MLV12@2026-12-08T15:00:00Z", 179'602.80 - 160'056.05, -34.8734207, 147.4404144}};
    for (const auto& c : cases) {
        RoutePassagePlan plan;
        ASSERT_EQ(planRoutePassage(stand(c.marker, c.launch, 2), SystemTime(), plan), "");
        const double seconds = std::chrono::duration<double>(plan.passes - launchTime).count();
        EXPECT_GE(seconds, c.metres / 2 * 0.97) << c.marker;
        EXPECT_LE(seconds, c.metres / 2 * 1.03) << c.marker;
        EXPECT_FLOAT_EQ(plan.fix.latitude, static_cast<float>(c.lat));
        EXPECT_FLOAT_EQ(plan.fix.longitude, static_cast<float>(c.lon));
    }
    // Relative to the start, and from the route's first marker when no launch marker is named.
    RouteStand relative = stand("MLV02", "MLV01@+600", 2);
    RoutePassagePlan plan;
    ASSERT_EQ(planRoutePassage(relative, launchTime, plan), "");
    EXPECT_GT(plan.passes, launchTime + 600s + 7000s);
    relative.launchMarker.clear();
    RoutePassagePlan same;
    ASSERT_EQ(planRoutePassage(relative, launchTime, same), "");
    EXPECT_NEAR(std::chrono::duration<double>(same.passes - plan.passes).count(), 0, 15'850.90 / 2 * 0.06);
    EXPECT_NE(plan.text.find("at marker MLV02 (15850.90 m along Junee to Griffith)"), std::string::npos)
        << plan.text;
}

TEST(RouteStand, ItsOptionsAreReadAndCheckedWithTheUnitsOthers) {
    SimulatorOptions options;
    const std::vector<std::string_view> args = {"--route",  route,       "--route-marker", "MLV05",
                                                "--launch", "MLV01@+30", "--pig-speed",    "3.5"};
    ASSERT_EQ(parseSimulatorOptions(args, options), "");
    EXPECT_EQ(options.routeStand.marker, "MLV05");
    EXPECT_EQ(options.routeStand.launchMarker, "MLV01");
    EXPECT_EQ(options.routeStand.launchIn, 30s);
    EXPECT_DOUBLE_EQ(options.routeStand.metresPerSecond, 3.5);

    const struct {
        std::vector<std::string_view> args;
        std::string error;
    } refused[] = {
        {{"--route", route}, "--route FILE and --route-marker NAME go together"},
        {{"--route-marker", "MLV05"}, "--route FILE and --route-marker NAME go together"},
        {{"--route", route, "--route-marker", "A", "--launch", "MLV01@noon"},
         "bad value \"MLV01@noon\" for --launch"},
        {{"--route", route, "--route-marker", "A", "--launch", "@+5"}, "bad value \"@+5\" for --launch"},
        {{"--route", route, "--route-marker", "A", "--launch", "MLV01@2026-12-08T15:00:00"},
         "bad value \"MLV01@2026-12-08T15:00:00\" for --launch"},
        {{"--route", route, "--route-marker", "A", "--pig-speed", "0"}, "bad value \"0\" for --pig-speed"},
    };
    for (const auto& r : refused) {
        SimulatorOptions o;
        EXPECT_EQ(parseSimulatorOptions(r.args, o), r.error);
    }
    RoutePassagePlan plan;
    EXPECT_EQ(planRoutePassage(stand("MLV99", "MLV01", 2), SystemTime(), plan),
              "route " + route + " has no marker MLV99");
    EXPECT_EQ(planRoutePassage(stand("MLV02", "KP0", 2), SystemTime(), plan),
              "route " + route + " has no marker KP0");
    RouteStand missing = stand("MLV02", "MLV01", 2);
    missing.route = "/nonexistent/route.geojson";
    EXPECT_EQ(planRoutePassage(missing, SystemTime(), plan)
                  .rfind("route /nonexistent/route.geojson: not a route", 0),
              0u);
}

TEST(RouteStand, TheUnitReportsThePassageWhenThePigPassesWithTheMarkersPosition) {
    Rig rig;
    rig.initialise();
    // 15.85 km at 8 km/s: about two seconds after the launch, now.
    RoutePassagePlan plan;
    const SystemTime now = std::chrono::system_clock::now();
    ASSERT_EQ(planRoutePassage(stand("MLV02", "MLV01", 8000), now, plan), "");
    scheduleRoutePassage(rig.unit, plan, std::chrono::system_clock::now());
    const auto frame = rig.console->readFrame(96 << 4, 15s);
    ASSERT_TRUE(frame.has_value());
    rig.console->reply(LinkReply::Acknowledge);
    ASSERT_EQ(frame->mask(), PassageBit);
    EXPECT_GE(std::chrono::system_clock::now(), plan.passes);
    const auto passage = EventBlockDecoder::passage(frame->block());
    EXPECT_NEAR(passage.latitude, -34.3796844, 1e-5);
    EXPECT_NEAR(passage.longitude, 146.2492523, 1e-5);

    // A pig that passed before the unit started is not reported late.
    RoutePassagePlan gone;
    ASSERT_EQ(planRoutePassage(stand("MLV02", "MLV01", 8000), now - 1h, gone), "");
    scheduleRoutePassage(rig.unit, gone, std::chrono::system_clock::now());
    EXPECT_FALSE(rig.console->readFrame(96 << 4, 1s).has_value());
}

}  // namespace
}  // namespace quorvex::simulator::test
