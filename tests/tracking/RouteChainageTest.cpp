// Chainage on routes with known answers: every expected value is made with GeographicLib's
// direct problem (a point so many metres along a geodesic, then so many metres square off it),
// never with the engine's own search.
#include "tests/tracking/Geodesy.h"
#include "tracking/RouteBuilder.h"
#include "tracking/SegmentProjection.h"

#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <random>

namespace quorvex::tracking {
namespace {

using test::direct;
using test::geodesicLine;
using test::geodesicMetres;

constexpr double millimetre = 0.001;

Route routeOf(std::vector<std::vector<GeoPoint>> parts, std::vector<MarkerDraft> markers = {}) {
    std::optional<Route> route;
    const std::string error =
        buildRoute({"test", std::move(parts), std::move(markers)}, RouteLimits{}, route);
    EXPECT_EQ(error, "");
    return std::move(*route);
}

// A point `along` metres down a geodesic route and `off` metres square to it (left when negative).
struct OffsetCase {
    double along;
    double off;
};

void expectOffsets(const Route& route, const GeoPoint& start, double azimuth,
                   const std::vector<OffsetCase>& cases, double tolerance) {
    const GeographicLib::GeodesicLine line =
        GeographicLib::Geodesic::WGS84().Line(start.lat, start.lon, azimuth);
    for (const OffsetCase& c : cases) {
        GeoPoint on;
        double heading = 0;
        line.Position(c.along, on.lat, on.lon, heading);
        const GeoPoint position = direct(on, heading + (c.off >= 0 ? 90 : -90), std::abs(c.off));
        const RoutePosition at = route.locate(position);
        EXPECT_NEAR(at.chainageMetres, c.along, tolerance) << "along " << c.along << " off " << c.off;
        EXPECT_NEAR(at.offRouteMetres, std::abs(c.off), tolerance) << "along " << c.along << " off " << c.off;
    }
}

TEST(RouteChainage, AlongAStraightMeridianLineAndAGreatCircleMatchTheDirectProblem) {
    // North along the 146th meridian, a vertex every kilometre (the last one short).
    const GeoPoint south{-35, 146};
    const Route meridian = routeOf({geodesicLine(south, 0, 100'250, 1000)});
    EXPECT_NEAR(meridian.lengthMetres(), 100'250, millimetre);
    expectOffsets(meridian, south, 0,
                  {{0.5, 3}, {1234.5, 25}, {50'000, -80}, {99'999.9, 0.2}, {100'000, 40}, {73'210.25, 0}},
                  millimetre);

    // 1,500 km of one geodesic from Junee to the north-east, a vertex every 50 km: long segments
    // that a flat projection would bend.
    const GeoPoint junee{-34.87, 147.58};
    const Route greatCircle = routeOf({geodesicLine(junee, 40, 1'500'000, 50'000)});
    EXPECT_NEAR(greatCircle.lengthMetres(), 1'500'000, millimetre);
    expectOffsets(greatCircle, junee, 40, {{1, 1}, {25'000, 900}, {777'777, -4'000}, {1'234'567.8, 15}},
                  millimetre);
}

TEST(RouteChainage, TheIndexFindsTheSameNearestPointAsTryingEverySegment) {
    // A line that wanders and turns back on itself, 20 m to 2 km a segment.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> turn(-100, 100), length(20, 2000), aside(-3000, 3000);
    std::vector<GeoPoint> line{{-34.6, 146.4}};
    double heading = 70;
    for (int i = 0; i < 400; ++i) {
        heading += turn(random);
        line.push_back(direct(line.back(), heading, length(random)));
    }
    const Route route = routeOf({line});
    std::uniform_int_distribution<std::size_t> vertex(0, line.size() - 1);
    for (int i = 0; i < 300; ++i) {
        const GeoPoint position = direct(line[vertex(random)], turn(random) * 1.8, std::abs(aside(random)));
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t s = 0; s + 1 < line.size(); ++s) {
            const GeoPoint middle{(line[s].lat + line[s + 1].lat) / 2, (line[s].lon + line[s + 1].lon) / 2};
            nearest = std::min(nearest, projectOntoSegment(line[s], line[s + 1], position, middle).offMetres);
        }
        EXPECT_NEAR(route.locate(position).offRouteMetres, nearest, millimetre) << i;
    }
}

TEST(RouteChainage, PositionsBeyondTheEndsLieAtTheEnds) {
    const GeoPoint south{-35, 146};
    const Route route = routeOf({geodesicLine(south, 0, 10'000, 1000)});
    const RoutePosition before = route.locate(direct(south, 180, 300));
    EXPECT_NEAR(before.chainageMetres, 0, millimetre);
    EXPECT_NEAR(before.offRouteMetres, 300, millimetre);
    const RoutePosition after = route.locate(direct(direct(south, 0, 10'000), 0, 700));
    EXPECT_NEAR(after.chainageMetres, 10'000, millimetre);
    EXPECT_NEAR(after.offRouteMetres, 700, millimetre);
}

// Out 5 km north, 60 m east, 5 km back south: two legs 60 m apart.
struct Loop {
    GeoPoint start{-34.5, 146.3};
    GeoPoint top = direct(start, 0, 5000);
    GeoPoint across = direct(top, 90, 60);
    double acrossMetres = geodesicMetres(top, across);
    Route route = routeOf({{start, top, across, direct(across, 180, 5000)}});
    // 1,000 m from the bottom of the way back, 35 m west of it: 25 m from the way out.
    GeoPoint returning = direct(direct(across, 180, 4000), 270, 35);
    double returningChainage = 5000 + acrossMetres + 4000;
};

TEST(RouteChainage, ALoopThatDoublesBackResolvesToTheLegOfTheLastKnownChainage) {
    const Loop loop;
    // Alone, the nearer leg wins: the way out.
    const RoutePosition nearest = loop.route.locate(loop.returning);
    EXPECT_NEAR(nearest.chainageMetres, 1000, 0.5);
    EXPECT_NEAR(nearest.offRouteMetres, 25, 0.5);

    // Known to be on the way back (or heading there from the top), it stays on the way back.
    for (const LocateHint& hint :
         {LocateHint{8500, 100, 0}, LocateHint{5030, 100, +1}, LocateHint{9100, 100, -1}}) {
        const RoutePosition back = loop.route.locate(loop.returning, hint);
        EXPECT_NEAR(back.chainageMetres, loop.returningChainage, millimetre) << hint.chainageMetres;
        EXPECT_NEAR(back.offRouteMetres, 35, millimetre) << hint.chainageMetres;
    }
    // Known to be on the way out, it stays there.
    EXPECT_NEAR(loop.route.locate(loop.returning, {900, 100, +1}).chainageMetres, 1000, 0.5);
}

TEST(RouteChainage, MultiLineStringPartsJoinEndToEndInTheirOrderWhicheverWayEachRuns) {
    const GeoPoint south{-35, 146};
    const std::vector<GeoPoint> whole = geodesicLine(south, 0, 9000, 1000);
    const std::vector<GeoPoint> a(whole.begin(), whole.begin() + 4);      // 0..3 km
    const std::vector<GeoPoint> b(whole.begin() + 3, whole.begin() + 7);  // 3..6 km
    const std::vector<GeoPoint> c(whole.begin() + 6, whole.end());        // 6..9 km
    const auto reversed = [](std::vector<GeoPoint> part) {
        std::reverse(part.begin(), part.end());
        return part;
    };
    const GeoPoint at2500 = direct(direct(south, 0, 2500), 90, 10);

    // In order, each part turned the wrong way: the same line as the whole.
    const Route turned = routeOf({reversed(a), reversed(b), reversed(c)});
    EXPECT_EQ(turned.line().size(), whole.size());
    EXPECT_NEAR(turned.locate(at2500).chainageMetres, 2500, millimetre);

    // Listed last part first: the line starts at the far end, where the first part listed starts.
    const Route backwards = routeOf({c, b, a});
    EXPECT_NEAR(backwards.lengthMetres(), 9000, millimetre);
    EXPECT_NEAR(backwards.locate(at2500).chainageMetres, 9000 - 2500, millimetre);

    // A part that starts 400 m from where the last one ended is refused, naming the parts.
    std::optional<Route> route;
    const std::vector<GeoPoint> far = {direct(whole.back(), 0, 400), direct(whole.back(), 0, 1400)};
    EXPECT_EQ(buildRoute({"gap", {a, b, c, far}, {}}, RouteLimits{}, route),
              "the line has a gap of 400.00 m between its parts 3 and 4 (at most 50.00 m)");
    EXPECT_FALSE(route);
    EXPECT_EQ(buildRoute({"none", {}, {}}, RouteLimits{}, route), "no line in it");
    EXPECT_EQ(buildRoute({"dot", {{south, south}}, {}}, RouteLimits{}, route),
              "its line has fewer than two distinct points");
}

TEST(RouteChainage, MarkersArePlacedByProjectionOrSurveyAndOneOffTheLineIsRefusedByName) {
    const GeoPoint south{-35, 146};
    const std::vector<GeoPoint> line = geodesicLine(south, 0, 9000, 1000);
    const Route route = routeOf({line}, {{"KP6", direct(direct(south, 0, 6000), 90, 30), std::nullopt},
                                         {"KP2", direct(south, 0, 2000), 2010.5}});
    ASSERT_EQ(route.markers().size(), 2u);
    EXPECT_EQ(route.markers()[0].name, "KP2");  // ordered along the line
    EXPECT_TRUE(route.markers()[0].surveyed);
    EXPECT_DOUBLE_EQ(route.markers()[0].chainageMetres, 2010.5);
    EXPECT_NEAR(route.markers()[0].lineChainageMetres, 2000, millimetre);
    EXPECT_NEAR(route.markers()[1].chainageMetres, 6000, millimetre);
    EXPECT_NEAR(route.markers()[1].offLineMetres, 30, millimetre);
    EXPECT_EQ(route.markerNamed("KP6"), 1u);

    std::optional<Route> refused;
    EXPECT_EQ(buildRoute({"r", {line}, {{"MLV07", direct(direct(south, 0, 4000), 270, 523), std::nullopt}}},
                         RouteLimits{}, refused),
              "marker MLV07 is 523.00 m from the line (at most 100.00 m)");
    EXPECT_EQ(buildRoute({"r", {line}, {{"A", south, std::nullopt}, {"A", line.back(), std::nullopt}}},
                         RouteLimits{}, refused),
              "two markers are named A");
    EXPECT_EQ(
        buildRoute({"r", {line}, {{"A", south, 500.0}, {"B", line.back(), 100.0}}}, RouteLimits{}, refused),
        "markers A and B: their chainages run against their order along the line");
}

}  // namespace
}  // namespace quorvex::tracking
