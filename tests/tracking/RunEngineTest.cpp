// The run's figures from recorded passage sequences and a clock handed in: who passed where,
// how fast, when the next marker is due, and when a pig is overdue.
#include "tests/helpers/TestData.h"
#include "tests/tracking/Geodesy.h"
#include "tracking/PigRun.h"
#include "tracking/RouteBuilder.h"
#include "tracking/RouteReader.h"
#include "tracking/RunEvaluation.h"

#include <gtest/gtest.h>

namespace quorvex::tracking {
namespace {

using namespace std::chrono_literals;
using test::direct;

const UtcTime t0 = UtcTime(std::chrono::sys_days(std::chrono::December / 7 / 2026)) + 8h;
const GeoPoint south{-35, 146};

// North along a meridian: markers M0..M4 every 3 km.
Route markedLine() {
    std::vector<MarkerDraft> markers;
    for (int i = 0; i <= 4; ++i) {
        markers.push_back({"M" + std::to_string(i), direct(south, 0, 3000.0 * i), std::nullopt});
    }
    std::optional<Route> route;
    EXPECT_EQ(
        buildRoute({"line", {test::geodesicLine(south, 0, 12'000, 500)}, markers}, RouteLimits{}, route), "");
    return std::move(*route);
}

// A passage reported by a unit standing `aside` metres east of the marker's place on the line.
Passage at(const Route& route, const std::string& marker, UtcTime time, double aside = 8) {
    const GeoPoint place = route.markers()[*route.markerNamed(marker)].position;
    return {time, direct(place, 90, aside), "", "unit-" + marker, "journal-1", 0};
}

RunPlan onePig(double plannedMetresPerSecond = 1) {
    return {RunSettings{}, {{"P1", 0, t0, plannedMetresPerSecond}}};
}

struct Fixture {
    Route route = markedLine();
    PigRun run;
    explicit Fixture(RunPlan plan) : run(route, std::move(plan)) {
        EXPECT_EQ(checkRunPlan(route, run.plan()), "");
    }
    PigProgress pig(UtcTime now, std::size_t which = 0) const { return run.evaluate(now).pigs.at(which); }
};

TEST(RunEngine, SpeedsEtasAndTheEstimateNowComeFromThePassagesAndTheClock) {
    Fixture f(onePig(1.0));
    // Not yet launched: ETAs at the planned speed from the launch.
    PigProgress before = f.pig(t0 - 10min);
    EXPECT_FALSE(before.launched);
    EXPECT_EQ(before.course.size(), 5u);
    EXPECT_EQ(before.course[1].eta, t0 + 3000s);

    f.run.add(at(f.route, "M1", t0 + 2500s));
    // One passage: the segment's speed is shown, but ETAs still use the planned speed.
    PigProgress one = f.pig(t0 + 2600s);
    EXPECT_NEAR(*one.course[1].segmentMetresPerSecond, 3000.0 / 2500, 1e-6);
    EXPECT_FALSE(one.speedMeasured);
    EXPECT_DOUBLE_EQ(one.metresPerSecond, 1.0);
    EXPECT_EQ(one.course[2].eta, t0 + 2500s + 3000s);
    EXPECT_NEAR(one.estimatedChainageMetres, 3000 + 100, 0.01);

    f.run.add(at(f.route, "M2", t0 + 4500s));
    // Two passages: 3 km in 2,000 s is 1.5 m/s (5.4 km/h), and that speed carries the ETAs.
    const PigProgress two = f.pig(t0 + 5500s);
    EXPECT_TRUE(two.speedMeasured);
    EXPECT_NEAR(two.metresPerSecond, 1.5, 1e-6);
    EXPECT_NEAR(kilometresPerHour(two.metresPerSecond), 5.4, 1e-6);
    EXPECT_EQ(two.lastMarker, 2u);
    EXPECT_EQ(two.course[3].eta, t0 + 4500s + 2000s);
    EXPECT_EQ(two.course[4].eta, t0 + 4500s + 4000s);
    EXPECT_NEAR(two.estimatedChainageMetres, 6000 + 1500, 0.01);
    EXPECT_EQ(two.course[2].progress, MarkerProgress::Passed);
    EXPECT_EQ(two.course[3].progress, MarkerProgress::Ahead);

    // Dead reckoning never places the pig past the next marker it has not passed; ETAs beyond a
    // late marker count from now.
    const PigProgress late = f.pig(t0 + 4500s + 2500s);
    EXPECT_NEAR(late.estimatedChainageMetres, 9000, 0.01);
    EXPECT_EQ(late.course[4].eta, t0 + 4500s + 2500s + 2000s);
}

TEST(RunEngine, OverdueComesAtTheRightMinuteNamesTheBracketAndALatePassageClearsIt) {
    Fixture f(onePig(1.0));
    f.run.add(at(f.route, "M1", t0 + 2000s));
    f.run.add(at(f.route, "M2", t0 + 4000s));  // 1.5 m/s: M3 due 2,000 s later, overdue 1,000 s after
    int firstMinute = 0;
    for (int minute = 1; minute < 120 && firstMinute == 0; ++minute) {
        if (f.pig(t0 + 4000s + std::chrono::minutes(minute)).overdueMarker) {
            firstMinute = minute;
        }
    }
    EXPECT_EQ(firstMinute, 51);  // 3,000 s is 50 minutes: overdue only when past it
    const PigProgress stuck = f.pig(t0 + 4000s + 51min);
    EXPECT_EQ(stuck.course[3].progress, MarkerProgress::Overdue);
    EXPECT_EQ(stuckBracket(f.route, stuck), "between marker M2 and marker M3");
    EXPECT_EQ(stuckBracket(f.route, f.pig(t0 + 4000s + 50min)), "");

    f.run.add(at(f.route, "M3", t0 + 4000s + 55min));
    const PigProgress cleared = f.pig(t0 + 4000s + 56min);
    EXPECT_FALSE(cleared.overdueMarker);
    EXPECT_EQ(cleared.course[3].progress, MarkerProgress::Passed);
    EXPECT_EQ(stuckBracket(f.route, cleared), "");
}

// With nobody at the launch marker the launch itself is the pig's first known place: the launch
// marker must never go overdue (it once did 5 minutes after the launch, "between marker M0 and
// marker M0"), and the next marker's ETA and its bracket run from the launch.
TEST(RunEngine, WithNobodyAtTheLaunchMarkerTheNextMarkerGoesOverdueFromTheLaunch) {
    struct Case {
        const char* name;
        std::size_t launchMarker;
        RunDirection direction;
        double plannedMetresPerSecond;
        std::optional<std::chrono::seconds> seenAtLaunchMarker;  // a unit's passage there, after the launch
        int firstOverdueMinute;
        const char* bracket;
    };
    const Case cases[] = {
        // 3 km at 1 m/s: due at 50 min, overdue past 75 min (half the segment's time).
        {"slow from M0", 0, RunDirection::AlongLine, 1.0, std::nullopt, 76,
         "between marker M0 and marker M1"},
        // 3 km at 10 m/s: due at 5 min, overdue past 10 min (the 5-minute minimum).
        {"fast from M0", 0, RunDirection::AlongLine, 10.0, std::nullopt, 11,
         "between marker M0 and marker M1"},
        // From M2 against the line at 2 m/s: M1 due at 25 min, overdue past 37.5 min.
        {"back from M2", 2, RunDirection::AgainstLine, 2.0, std::nullopt, 38,
         "between marker M2 and marker M1"},
        // The launch crew's unit saw the pig leave a minute late: the ETA runs from its passage.
        {"seen leaving M0", 0, RunDirection::AlongLine, 1.0, 60s, 77, "between marker M0 and marker M1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunPlan plan{RunSettings{}, {{"P1", c.launchMarker, t0, c.plannedMetresPerSecond}}};
        plan.settings.direction = c.direction;
        plan.settings.maxMetresPerSecond = 20;
        Fixture f(plan);
        const std::string launchName = f.route.markers()[c.launchMarker].name;
        if (c.seenAtLaunchMarker) {
            f.run.add(at(f.route, launchName, t0 + *c.seenAtLaunchMarker));
        }
        int firstMinute = 0;
        for (int minute = 0; minute < 240 && firstMinute == 0; ++minute) {
            if (f.pig(t0 + std::chrono::minutes(minute)).overdueMarker) {
                firstMinute = minute;
            }
        }
        EXPECT_EQ(firstMinute, c.firstOverdueMinute);
        const PigProgress stuck = f.pig(t0 + std::chrono::minutes(c.firstOverdueMinute));
        EXPECT_EQ(stuckBracket(f.route, stuck), c.bracket);
        EXPECT_EQ(stuck.course[0].progress, MarkerProgress::Passed);
        EXPECT_EQ(stuck.course[0].passedAt, t0 + c.seenAtLaunchMarker.value_or(0s));
        EXPECT_EQ(stuck.course[1].progress, MarkerProgress::Overdue);
        if (!c.seenAtLaunchMarker) {
            // Before the launch nothing is passed, and the launch marker is only due at the launch.
            const PigProgress waiting = f.pig(t0 - 1min);
            EXPECT_EQ(waiting.course[0].progress, MarkerProgress::Ahead);
            EXPECT_EQ(waiting.course[0].eta, t0);
        }
    }
}

TEST(RunEngine, AShortSegmentIsGivenAtLeastTheMinimumTolerance) {
    RunPlan plan = onePig(10.0);  // 3 km at 10 m/s: 300 s expected, half of it is under 5 minutes
    plan.settings.maxMetresPerSecond = 20;
    Fixture f(plan);
    f.run.add(at(f.route, "M0", t0 + 5s));
    EXPECT_FALSE(f.pig(t0 + 5s + 300s + 300s).overdueMarker);
    EXPECT_EQ(f.pig(t0 + 5s + 300s + 301s).overdueMarker, 1u);
}

TEST(RunEngine, ATrainOfTwoPigsPassesEachMarkerInLaunchOrder) {
    RunPlan plan = onePig();
    plan.pigs.push_back({"P2", 0, t0 + 10min, 1});
    Fixture f(plan);
    for (const auto& [marker, time] : std::vector<std::pair<std::string, UtcTime>>{
             {"M1", t0 + 3000s}, {"M1", t0 + 3600s}, {"M2", t0 + 6000s}, {"M2", t0 + 6600s}}) {
        f.run.add(at(f.route, marker, time));
    }
    const RunState state = f.run.evaluate(t0 + 7000s);
    ASSERT_EQ(state.passages.size(), 4u);
    const std::size_t expectedPig[] = {0, 1, 0, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(state.passages[i].fate, PassageFate::Assigned) << i;
        EXPECT_EQ(state.passages[i].pig, expectedPig[i]) << i;
    }
    EXPECT_EQ(state.pigs[0].course[2].passedAt, t0 + 6000s);
    EXPECT_EQ(state.pigs[1].course[2].passedAt, t0 + 6600s);
    EXPECT_NEAR(state.pigs[1].metresPerSecond, 3000.0 / 3000, 1e-9);
}

TEST(RunEngine, DuplicatesOffRoutePassagesAndPassagesNoPigCouldMakeAreKeptAndNamed) {
    Fixture f(onePig());
    const GeoPoint m1 = f.route.markers()[1].position;
    f.run.add(at(f.route, "M1", t0 + 3000s));
    f.run.add(at(f.route, "M1", t0 + 3030s, 20));                        // the same pig, within the lock-out
    f.run.add({t0 + 3100s, direct(m1, 90, 500), "", "unit-x", "j", 7});  // 500 m off the line
    f.run.add({t0 + 3200s, direct(m1, 0, 1500), "", "unit-y", "j", 8});  // on the line, between markers
    f.run.add({t0 + 3300s, std::nullopt, "KP 99", "unit-z", "j", 9});    // a marker the route lacks
    f.run.add({t0 + 3400s, std::nullopt, "M1", "unit-w", "j", 10});      // after the lock-out: no pig left
    f.run.add({t0 - 60s, std::nullopt, "M0", "unit-v", "j", 11});        // before the launch
    const RunState state = f.run.evaluate(t0 + 3500s);
    const PassageFate expected[] = {PassageFate::Assigned, PassageFate::Duplicate, PassageFate::OffRoute,
                                    PassageFate::OffRoute, PassageFate::OffRoute,  PassageFate::NoPig,
                                    PassageFate::NoPig};
    ASSERT_EQ(state.passages.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(state.passages[i].fate, expected[i]) << i;
    }
    EXPECT_EQ(state.passages[1].pig, 0u);
    EXPECT_NEAR(f.run.passages()[2].offRouteMetres, 500, 0.01);
    EXPECT_EQ(state.pigs[0].course[1].passedAt, t0 + 3000s);  // the duplicate changed nothing
}

TEST(RunEngine, AMissedMarkerAndASpeedOutsideTheBandAreShown) {
    Fixture f(onePig());
    f.run.add(at(f.route, "M1", t0 + 100s));  // 30 m/s from the launch: far above the band
    f.run.add(at(f.route, "M3", t0 + 100s + 6000s));
    const PigProgress pig = f.pig(t0 + 6200s);
    EXPECT_TRUE(pig.course[1].speedOutOfBand);
    EXPECT_EQ(pig.course[2].progress, MarkerProgress::Missed);
    EXPECT_NEAR(*pig.course[3].segmentMetresPerSecond, 1.0, 1e-9);
    EXPECT_FALSE(pig.speedOutOfBand);

    Fixture slow(onePig());
    slow.run.add(at(slow.route, "M1", t0 + 1000s));
    slow.run.add(at(slow.route, "M2", t0 + 1000s + 30'000s));  // 0.1 m/s
    EXPECT_TRUE(slow.pig(t0 + 31'001s).speedOutOfBand);
}

TEST(RunEngine, OnALoopAPassageNearerTheOtherLegGoesToTheMarkerAheadOfThePig) {
    // Out 5 km north, 60 m east, back south: marker OUT 1 km up the way out, TOP at the turn,
    // BACK 1 km before the end of the way back, 60 m east of OUT.
    const GeoPoint top = direct(south, 0, 5000);
    const GeoPoint across = direct(top, 90, 60);
    const GeoPoint back = direct(across, 180, 4000);
    std::optional<Route> loop;
    ASSERT_EQ(buildRoute({"loop",
                          {{south, top, across, direct(across, 180, 5000)}},
                          {{"OUT", direct(south, 0, 1000), std::nullopt},
                           {"TOP", top, std::nullopt},
                           {"BACK", back, std::nullopt}}},
                         RouteLimits{}, loop),
              "");
    PigRun run(*loop, {RunSettings{}, {{"P1", 0, t0, 1}}});
    run.add({t0 + 10s, direct(south, 0, 1000), "", "u1", "j", 1});
    run.add({t0 + 4000s, direct(top, 180, 20), "", "u2", "j", 2});
    // The unit at BACK stands 35 m west of it: 25 m from the way out, by OUT.
    run.add({t0 + 8100s, direct(back, 270, 35), "", "u3", "j", 3});
    const RunState state = run.evaluate(t0 + 8200s);
    EXPECT_EQ(run.passages()[2].marker, *loop->markerNamed("BACK"));
    EXPECT_EQ(state.passages[2].fate, PassageFate::Assigned);
    EXPECT_EQ(state.pigs[0].lastMarker, *loop->markerNamed("BACK"));
}

TEST(RunEngine, APigLaunchedAtJuneeRunsAgainstTheLineOfTheRealRoute) {
    std::optional<Route> route;
    ASSERT_EQ(readRoute(test::testDataPath("routes/junee-griffith.geojson"), RouteLimits{}, route), "");
    const std::size_t mlv12 = *route->markerNamed("MLV12");
    RunPlan plan{RunSettings{}, {{"P1", mlv12, t0, 1.2}}};
    plan.settings.direction = RunDirection::AgainstLine;
    ASSERT_EQ(checkRunPlan(*route, plan), "");
    PigRun run(*route, plan);
    const auto passAt = [&](const std::string& name, UtcTime time) {
        run.add({time, direct(route->markers()[*route->markerNamed(name)].position, 0, 12), "", "u", "j", 0});
    };
    passAt("MLV11", t0 + 50min);
    passAt("MLV10", t0 + 5h);
    const RunState state = run.evaluate(t0 + 6h);
    const PigProgress& pig = state.pigs[0];
    ASSERT_EQ(pig.course.size(), 12u);
    EXPECT_EQ(route->markers()[pig.course[1].marker].name, "MLV11");
    EXPECT_EQ(pig.lastMarker, *route->markerNamed("MLV10"));
    const double segment = route->markers()[*route->markerNamed("MLV11")].chainageMetres -
                           route->markers()[*route->markerNamed("MLV10")].chainageMetres;
    EXPECT_NEAR(pig.metresPerSecond, segment / (4 * 3600 + 10 * 60), 1e-9);
    EXPECT_LT(pig.estimatedChainageMetres, route->markers()[*route->markerNamed("MLV10")].chainageMetres);
}

}  // namespace
}  // namespace quorvex::tracking
